// The products, the report and the driver: what the run does once the
// replay has rebuilt the full solution.
#pragma once

#include <cmath>
#include <string>
#include <string_view>

#include "replay.h"

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

// How the report shows a row: its type from the type byte, and which of its
// sides it shows (a missing side prints as infinity).
struct RowClass {
  const char* type;  // EQ LE GE RG
  bool lower, upper;
};
inline RowClass ClassifyRow(char rtype) {
  switch (rtype) {
    case 'E': return {"EQ", true, true};
    case 'L': return {"LE", false, true};
    case 'G': return {"GE", true, false};
    default: return {"RG", true, true};
  }
}
// How the report shows a column from its bounds; a bound beyond REPINF is infinite.
struct ColumnClass {
  const char* type;  // FR UP LO FX BO
  bool lower, upper;
};
inline ColumnClass ClassifyColumn(double lo, double up) {
  const bool lower = !(lo < -REPINF), upper = !(up > REPINF);
  if (!lower && !upper) return {"FR", false, false};
  if (!lower) return {"UP", false, true};
  if (!upper) return {"LO", true, false};
  return {std::fabs(lo - up) < 1e-13 ? "FX" : "BO", true, true};
}

class AtomicFile;
// The report into `out`, finished (on disk, not yet renamed into place).
void WriteReport(PostData& pd, AtomicFile& out);
// Writes the report in `dir` (the working directory when empty) and renames it
// into place; returns its path. Reads the names from pd.fbin's current position.
std::string OutRept(PostData& pd, const std::string& dir = "");
// The report's word for a solution status.
const char* StatusName(int status);
std::string ReportName(std::string_view problem);

// Console.
void PrintHead();
std::string LeftDots(std::string_view text, std::size_t width);
long GetTime();
double TimeInSec(long t0, long t1);

// The whole run in the current directory; returns the exit status
// (0 clean, 1 failed, 2 completed with warnings).
int RunPost();

}  // namespace postsolve
