// The products, the report and the driver: what the run does once the
// replay has rebuilt the full solution.
#pragma once

#include <string>
#include <string_view>

#include "replay.h"
#include "view.h"

namespace postsolve {

// Which product mTimesv adds into `out`.
enum class MatProduct {
  Av,   // out[row] += A v, over the columns of A
  Atv,  // out[col] += A' v
};
void mTimesv(MatProduct which, int ncols, const SpMat& A, const double* v, double* out);
// Row activities into ax and A'y - c into atyc (both allocated here).
void GetActv(PostData& pd);
// ReplayLog, then GetActv: everything the report needs.
void Replay(PostData& pd, const std::string& dir = "");
void Replay(PostData& pd, const InputBuffers& files);

class AtomicFile;
// The report into `out`, finished (on disk, not yet renamed into place).
void WriteReport(PostData& pd, AtomicFile& out);
// Writes the report in `dir` (the working directory when empty) and renames it
// into place; returns its path. Reads the names from pd.fbin's current position.
std::string OutRept(PostData& pd, const std::string& dir = "");

// Console.
void PrintHead();
std::string LeftDots(std::string_view text, std::size_t width);
long GetTime();
double TimeInSec(long t0, long t1);

// The whole run in the current directory; returns the exit status
// (0 clean, 1 failed, 2 completed with warnings).
int RunPost();

}  // namespace postsolve
