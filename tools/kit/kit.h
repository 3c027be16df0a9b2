// postsolve-kit: inspection tools over the postsolver's three input files.
// The tools work on files in memory or, at scale, stream them from disk; failures throw PostError
// with the same "FILE: record N CODE at offset O: reason" shape as the replay.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "casefile.h"
#include "postdata.h"

namespace postsolve::kit {

// Exit statuses of postsolve-kit.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;    // an input could not be read or written
inline constexpr int kUsage = 2;     // bad arguments
inline constexpr int kOutside = 3;   // check, verify: a measure is outside its tolerance

// Reads DIR/dravfile.{sol,stk,bin}.
CaseFiles LoadDir(const std::string& dir);

// What a walk over the files found, for --summary.
struct Census {
  struct Kind {
    long count = 0;
    std::size_t bytes = 0;  // code and payload, names and gaps not included
  };
  std::map<int, Kind> kinds;  // by record code
  std::size_t nameBytes = 0, gapBytes = 0;
  int status = 0, nc = 0, nr = 0;  // the reduced problem
  int m = 0, n = 0;                // from record 0
  long entries = 0;                // column counts of the MATRIX records, added up
  long records = 0;
  std::string name;                // problem name as stored (all its bytes)
};

// Writes the files as case text, record by record in file order, each record
// after a comment with its index, offset and code. The text reads back (pack)
// to the same bytes. At a malformed spot, everything before it has been
// written when the PostError naming the spot is thrown.
Census Dump(const CaseFiles& files, std::ostream& out);
// The same over DIR's files read from disk, the text written as it is made.
Census Dump(const std::string& dir, std::ostream& out);
// The same walk, writing nothing; then one line per record kind and the sizes.
void Summary(const CaseFiles& files, std::ostream& out);
void Summary(const std::string& dir, std::ostream& out);

// The full solution after the replay, classified as the report does.
struct RowSol {
  std::string name;  // up to its first NUL, as in the report
  const char* type;  // EQ LE GE RG
  double lo, up;     // the sides the report shows; a missing side is -inf / +inf
  double act, dual;
};
struct ColSol {
  std::string name;
  const char* type;  // FR UP LO FX BO
  double lo, up;     // -inf / +inf where the report shows infinity
  double x, z;       // value and dual slack c - A'y
  double c;
  double zscale;     // |c_j| + sum_i |a_ij y_i|: the size of the terms z is the sum of
};
struct FullSolution {
  std::string name;
  int status = 0;
  std::vector<RowSol> rows;
  std::vector<ColSol> cols;
  std::vector<std::string> warnings;  // degenerate data met by the replay
};
// The problem as the log states it (HEADER and MATRIX; the replay leaves
// them as read), for comparing with the model the user has. Bounds are as
// stored: the log's 1e30 stands for infinity.
struct LoggedProblem {
  std::vector<double> rlo, rup, clo, cup, cost;
  std::string rtype;  // one byte per row: E L G, anything else a range
  std::vector<std::vector<std::pair<int, double>>> cols;  // (row, value) per column
};
// Replays the files; fills `problem` too when it is given.
FullSolution Solve(const CaseFiles& files, LoggedProblem* problem = nullptr);

// A replayed log whose full solution is visited a row or a column at a time,
// each built as it is visited from the replay's state: the solution is never
// held a second time, and files on disk are read through the replay's window.
class SolutionWalk {
 public:
  explicit SolutionWalk(const std::string& dir);  // DIR/dravfile.{sol,stk,bin}
  explicit SolutionWalk(const CaseFiles& files);
  SolutionWalk(const SolutionWalk&) = delete;
  SolutionWalk& operator=(const SolutionWalk&) = delete;

  const std::string& name() const { return pd_.name; }
  int status() const { return pd_.status; }
  std::vector<std::string> warnings() const { return pd_.warnings.Lines(); }
  int rows() const { return pd_.m; }
  int cols() const { return pd_.n; }
  // c.x over the columns in order: the objective of the log's minimisation.
  double Objective() const;
  // fn(RowSol) for each row in order, or fn(ColSol) for each column; either
  // may be walked any number of times. A RowSol or ColSol lasts for its call.
  // A column's zscale costs a pass over its entries: without `scaled` it is
  // left at |c_j|.
  void Rows(const std::function<void(const RowSol&)>& fn);
  void Cols(const std::function<void(const ColSol&)>& fn, bool scaled = false);
  // The same walks for text: `format` appends one item's text (its index
  // counts from 0); it runs on worker threads, several chunks of items at a
  // time, so it must keep no state of its own. The texts reach `out` in order.
  template <class Item>
  using Formatter = std::function<void(const Item&, std::size_t index, std::string& text)>;
  void FormatRows(const Formatter<RowSol>& format, std::ostream& out);
  void FormatCols(const Formatter<ColSol>& format, std::ostream& out);
  // Fails, naming the file, when an input on disk changed since it was opened.
  void CheckInputs() const;
  const PostData& state() const { return pd_; }

 private:
  void CheckNames();
  // Walks in the name section: from the first row's, or the first column's,
  // then each item in turn.
  void StartRows();
  void StartCols();
  void ReadRow(std::size_t r, RowSol& row);
  void ReadCol(std::size_t c, ColSol& col, bool scaled);
  PostData pd_;
  std::size_t namesAt_ = 0;  // the name section in the record file
};

// The solution status codes and their words: -1 unsolved, 0 optimal,
// 1 infeasible, 2 unbounded, 3 difficulty; "status N" outside them.
std::string StatusWord(int status);

struct Tolerances {
  double bound = 1e-6;    // absolute bound violation
  double rel = 1e-9;      // relative bound violation
  double dual = 1e-7;     // dual sign violation (a column's scaled)
  double dualAbs = 1e-6;  // a column's dual sign violation, unscaled
  double comp = 1e-7;     // complementary slackness
  double active = 1e-9;   // a value this close (relative) to a bound sits at it
};

struct Measure {
  std::string label;
  double value = 0;       // the worst violation, 0 when none
  double tol = 0;
  std::string worst;      // "row 4 \"hotel\"", empty when value is 0
  long misses = 0;        // rows or columns outside the tolerance
  bool within() const { return value <= tol; }  // false for NaN
};

struct CheckResult {
  std::vector<Measure> measures;  // the nine violation measures, then the non-finite count
  double objective = 0;
  long nonfinite = 0;
  bool pass() const;
};
CheckResult Check(const FullSolution& sol, const Tolerances& tol);
CheckResult Check(SolutionWalk& walk, const Tolerances& tol);
// c.x over the columns in order: the objective of the log's minimisation.
double Objective(const FullSolution& sol);
void PrintCheck(const CheckResult& result, std::ostream& out);

// Both carry the status (code and word) and the objective c.x beside the rows and columns.
// Each written a line at a time as the solution is walked.
void ExportCsv(SolutionWalk& walk, std::ostream& out);
void ExportJson(SolutionWalk& walk, std::ostream& out);

}  // namespace postsolve::kit
