// The library's Solution inside: the replay's state kept whole, so that its
// arrays are handed out without a copy and the report can still be written
// from it; for the library's own layers above the replay (check, verify, run).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "postsolve/postsolve.h"
#include "report.h"
#include "walk.h"

namespace postsolve {

struct Solution::State {
  PostData pd;
  std::size_t namesAt = 0;  // the name section in pd.fbin, for the report
  std::vector<double> rowLower, rowUpper, colLower, colUpper;
  std::vector<std::string> rowTypes, colTypes, rowNames, colNames;
  std::vector<std::string> warnings;  // as the program prints them
  double objective = 0;

  // After the replay and the products: each row and column as the view shows
  // it (bounds, types, z), the names, the objective; then the matrix is freed.
  void Complete();
};

// Replays DIR's files into a Solution. With `problem`, the log's own problem
// (HEADER and MATRIX) is copied out before the matrix is freed; `keepAll`
// keeps every warning instead of ten of a kind.
Solution ReplaySolution(const std::string& dir, LoggedProblem* problem = nullptr, bool keepAll = false);

// The files `solution` was replayed from were renamed from directory `from`
// into `to` (a result transaction's stage into its DIR): the checks that
// they are unchanged, made again as the report is written, look there.
void InputsMoved(Solution& solution, const std::string& from, const std::string& to);

}  // namespace postsolve
