// The full solution of a replayed log as the tools read it: walked a row or a
// column at a time (never held twice, files read through the replay's
// window), or collected whole, each row and column shown as the report shows it.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "replay.h"
#include "view.h"

namespace postsolve {

// The full solution after the replay, classified as the report does.
struct RowSol {
  std::string name;  // up to its first NUL, as in the report
  const char* type;  // EQ LE GE RG
  double lo, up;     // the sides the report shows; a missing one, or one beyond +-9.99e29, is -inf / +inf
  double act, dual;
  // the magnitudes of act's terms, |a_ij x_j|, summed, and their count: the
  // rounding act can carry (0 where not measured)
  double actSize = 0;
  std::size_t terms = 0;
};
struct ColSol {
  std::string name;
  const char* type;  // FR UP LO FX BO
  double lo, up;     // -inf / +inf where the report shows infinity
  double x, z;       // value and dual slack c - A'y
  double c;
  double zscale;     // |c_j| + sum_i |a_ij y_i|: the size of the terms z is the sum of
  std::size_t zterms = 0;  // how many: with zscale, the rounding z can carry (0 where not measured)
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
// Copies the log's problem out of a replayed state (its matrix still there).
void CopyProblem(const PostData& pd, LoggedProblem& problem);
// Replays the files and collects the whole solution (every warning kept);
// fills `problem` too when it is given.
FullSolution CollectSolution(const InputBuffers& files, LoggedProblem* problem = nullptr);

// A replayed log whose full solution is visited a row or a column at a time,
// each built as it is visited from the replay's state: the solution is never
// held a second time, and files on disk are read through the replay's window.
class SolutionWalk {
 public:
  explicit SolutionWalk(const std::string& dir);  // DIR/dravfile.{sol,stk,bin}
  explicit SolutionWalk(const InputBuffers& files);
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

}  // namespace postsolve
