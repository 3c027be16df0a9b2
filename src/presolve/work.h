// Internals of the presolver: the working LP both ways, and the reductions
// that change it and append to the log.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "failure.h"
#include "postsolve/logwriter.h"
#include "numfmt.h"
#include "postsolve/postsolve.h"
#include "postsolve/presolve.h"
#include "records.h"

namespace postsolve::presolve {

using enum RecordCode;

inline constexpr double kInf = std::numeric_limits<double>::infinity();

// What the presolver throws on a model without an optimum: the message names
// the row or column that shows it, the verdict says which (Infeasible or
// Unbounded; an unbounded verdict only once the rest is known feasible).
class PresolveVerdict : public PostError {
 public:
  PresolveVerdict(const std::string& what, Status verdict) : PostError(what), verdict_(verdict) {}
  Status verdict() const { return verdict_; }

 private:
  Status verdict_;
};

// An entry of a row (column, value) or of a column (row, value); a list of
// them as the working LP holds it, and copied out as the log takes it.
using Entry = std::pair<int, double>;
using EntrySpan = std::span<const Entry>;
inline Entries ListOf(EntrySpan list) { return {list.begin(), list.end()}; }

// For the duplicate row and column searches (patterns.cpp): a row's or
// column's entries sorted by index, with a key equal for exact multiples
// (equal keys do not prove one).
struct Pattern {
  int owner;  // the row or column
  Entries entries;
  std::uint64_t key = 0;
};
// v when s = v * r entry by entry, exactly (both sorted); 0 when not.
double ExactMultiple(const Entries& r, const Entries& s);
// Calls pair(r, s) for the candidate pairs among `owners` (rows or columns
// with entries, which entriesOf gives in any order): those whose keys agree,
// in order of key, then owner, each s with the few members before it, until
// pair returns true (s merged). One pass over the entries finds the keys
// that occur more than once; only those owners' entries are copied and
// sorted, so the search stays linear in the entries, with a bounded number
// of exact comparisons per row or column.
void ForEachCandidatePair(const std::vector<int>& owners, const std::function<EntrySpan(int)>& entriesOf,
                          const std::function<bool(const Pattern& r, const Pattern& s)>& pair);

// The LP as reductions leave it: current bounds and costs, and the matrix by
// columns and by rows. An entry is live while its row and its column are both
// in play; dead entries are dropped from a list the next time it is read, so
// keeping the two views in step costs nothing per removal beyond the counts.
class WorkLp {
 public:
  enum RowState : char { kLive, kCleared, kRemoved };  // kCleared: kept, but its entries gone

  explicit WorkLp(const Model& model);  // costs negated for a maximisation
  WorkLp() = default;                   // none: what a finished presolve leaves

  int m = 0, n = 0;
  std::vector<double> rlo, rup, clo, cup, cost;  // missing bounds are -inf / +inf
  std::vector<char> rowState, colLive;
  std::vector<int> rowCount, colCount;  // live entries
  // A column whose bound came from a doubleton row: the replay compares its
  // value with that bound exactly, so it takes part in nothing that could
  // recompute the value with a rounding.
  std::vector<char> impliedBound;
  std::vector<double> sign;  // +1, or -1 once a column is reflected about its upper bound
  // The largest magnitude a row's bounds, or a term moved into them, have
  // had: bounds moved by -a*x carry the rounding of that size, however small
  // they end.
  std::vector<double> rowSize;
  // How far a column's bounds may be from what they stand for: a bound
  // implied through a row whose bounds carry a rounding carries it too.
  std::vector<double> boundSlack;

  // The live entries of column j (rows) and of row i (columns), valid until
  // the next change to the matrix.
  EntrySpan Col(int j);
  EntrySpan Row(int i);
  Entries ColExcept(int j, int row);  // live entries of column j but the one in `row`

  bool RowInPlay(int i) const { return rowState[i] == kLive; }
  void RemoveRow(int i);          // the row leaves the problem
  void ClearRow(int i);           // its entries leave, the row stays
  void RemoveCol(int j);          // the column leaves; its rows keep their bounds
  void FixCol(int j, double x);   // the column leaves at x; its rows' bounds move by -a*x
  // Whether moving column j's rows' bounds by -a*x gives them back, once a*x
  // is added again, within `slack` * (1 + |bound|): exactly for a bound
  // shift (slack 0), within rounding for a fixing (kFixingSlack); keeps them
  // below kLargestFinite, the largest finite bound Clp solves with; and
  // rounds them by no more than the solver's tolerance.
  bool MovesRowBoundsFaithfully(int j, double x, double slack = kFixingSlack);
  static constexpr double kFixingSlack = 1e-12;

  // The memory of the lists by row, or by column, given back once the
  // reductions are done: Row, or Col, must not be called after.
  void ReleaseRows();
  void ReleaseCols();

  // Worklists: a row or column goes on the next pass's list when it changes.
  void TouchRow(int i);
  void TouchCol(int j);
  std::vector<int> TakeRows();
  std::vector<int> TakeCols();

 private:
  // The lists of all rows, or all columns, in one array: list k is
  // entries[start[k], start[k] + length[k]). A list never grows, so dead
  // entries are squeezed out in place.
  struct Lists {
    std::vector<int> start, length;
    std::vector<Entry> entries;
    Entry* begin(int k) { return entries.data() + start[k]; }
    EntrySpan span(int k) const { return {entries.data() + start[k], static_cast<std::size_t>(length[k])}; }
    void Clear(int k) { length[k] = 0; }
    template <class Dead>
    void Squeeze(int k, const Dead& dead) {
      length[k] = static_cast<int>(std::remove_if(begin(k), begin(k) + length[k], dead) - begin(k));
    }
  };
  Lists cols_, rows_;
  std::vector<int> rowQueue_, colQueue_;
  std::vector<char> rowQueued_, colQueued_;
};

inline bool Equality(const WorkLp& lp, int i) { return lp.rlo[i] == lp.rup[i]; }

// A bound's magnitude, 0 for none.
inline double FiniteSize(double bound) { return std::isinf(bound) ? 0.0 : std::fabs(bound); }

// The size of the smaller of a column's finite bounds (0 when it has none):
// the bound a value is likeliest to sit at, whose tolerance it scales.
inline double SmallerBoundSize(double lo, double up) {
  if (std::isinf(lo)) return FiniteSize(up);
  return std::isinf(up) ? std::fabs(lo) : std::min(std::fabs(lo), std::fabs(up));
}

// A cost moved by d: c - d, or 0 where the two cancel to within a few
// roundings of the larger, the error d carries: a cost that is rounding
// alone would decide whether its column runs without bound.
inline double MovedCost(double c, double d) {
  const double moved = c - d;
  const double rounding = 8 * std::numeric_limits<double>::epsilon() * std::max(std::fabs(c), std::fabs(d));
  return std::fabs(moved) <= rounding ? 0.0 : moved;
}

// The log's first two records from the model as read: HEADER with its bounds
// (at or beyond the log's 1e30 infinite) and row types, MATRIX with the costs
// of the minimisation (sense -1 turns a maximisation round).
void WriteHeader(LogWriter& log, const Model& model, const std::string& name);
void WriteMatrix(LogWriter& log, const Model& model, double sense);

// One presolve run: the reductions, each trying one row or column.
class Presolver {
 public:
  Presolver(const Model& model, const PresolveOptions& options, LogWriter& log);
  void Run();                 // passes until nothing applies or the limit
  // Bound shifts and reflections, the reduced LP, then the log's Header
  // (named logName) and Matrix in front of the reductions, and the maps.
  // The last call: the working LP is let go of on the way.
  PresolveResult Finish(const std::string& logName);

 private:
  // The reductions, each in the file named after it; true when it applied.
  bool NullRow(int i);        // nullrow.cpp
  bool SingletonRow(int i);   // singletonrow.cpp
  bool ForcingRow(int i);     // forcingrow.cpp
  bool DoubletonRow(int i);   // doubletonrow.cpp
  bool DominatingRow(int i);  // dominatingrow.cpp
  bool DuplicateRows();       // duplicaterows.cpp
  bool NullCol(int j);        // nullcolumn.cpp
  bool FixedCol(int j);       // fixedcolumn.cpp
  bool DominatedCol(int j);   // dominatedcolumn.cpp
  bool DuplicateCols();       // duplicatecolumns.cpp
  void ShiftBounds();         // boundshift.cpp: LOWBND and MINBND
  // nullcolumn.cpp: the unbounded verdict, once no row is left that could make the LP infeasible
  void UnboundedWhenNoRowLeft() const;

  // driver.cpp: the kinds enabled, the tolerance test and the failures
  bool on(RecordCode k) const { return opt_.enabled[static_cast<std::size_t>(AsInt(k))]; }
  bool Within(double v, double lo, double up) const;  // lo <= v <= up within feasTol
  // The same for row i's bounds, the tolerance scaled by the row's size too.
  bool RowAdmits(int i, double v, double lo, double up) const;
  double RowTolerance(int i, double bound) const;
  [[noreturn]] void RowFails(int i, const std::string& why) const;
  [[noreturn]] void ColFails(int j, const std::string& why, Status verdict = Status::Infeasible) const;

  const Model& model_;
  const PresolveOptions& opt_;
  LogWriter& log_;
  WorkLp lp_;
  std::vector<PhaseTiming> passes_;  // Run's and Finish's own parts
  int unboundedCol_ = -1;  // an empty column whose cost improves without bound, when one is met
};

}  // namespace postsolve::presolve
