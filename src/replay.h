// The replay: the undo of every record kind over the state, and the loop
// that walks the record file newest record first.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "postdata.h"
#include "records.h"

namespace postsolve {

// The three input files held in memory instead of on disk.
struct InputBuffers {
  std::string sol, stk, bin;
};

// Undoes (or, for the data records, reads) one record whose code has just
// been read from pd.fbin; its payload follows at pd.fbin.pos.
void PostSol(int code, PostData& pd);
// HEADER's payload into the state.
void ReadHeader(PostData& pd);
// A MATRIX payload into the state.
void StoreMatrix(PostData& pd, MatrixRead&& mr);
// The interval [L, U] a duplicate column's value is chosen from, when the
// merged column's value is s; empty when L > U.
std::pair<double, double> DupColInterval(double s, double alpha, double lok, double upk, double loj,
                                         double upj);

// Reads the three files in `dir` (empty: the current directory) and undoes
// every record; leaves fbin at the name section. Messages about the files'
// contents name them without the directory.
void ReplayLog(PostData& pd, const std::string& dir = "");
// The same over files already in memory.
void ReplayLog(PostData& pd, const InputBuffers& files);
// The same over the three files' bytes, copied in before the replay starts.
void ReplayLog(PostData& pd, std::string_view sol, std::string_view stk, std::string_view bin);

}  // namespace postsolve
