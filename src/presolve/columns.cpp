// Column reductions: empty, fixed, dominated and duplicate columns, and the
// final shifts to a zero lower bound and reflections about an upper bound.
#include <cmath>

#include "work.h"

namespace postsolve::presolve {

bool Presolver::NullCol(int j) {
  if (!on(NULCOL) || !lp_.colLive[j] || lp_.colCount[j] != 0) return false;
  const double c = lp_.cost[j];
  double x;
  if (c > 0) {
    if (std::isinf(lp_.clo[j])) ColFails(j, "it is in no row, and its cost falls without bound as it decreases", "unbounded");
    x = lp_.clo[j];
  } else if (c < 0) {
    if (std::isinf(lp_.cup[j])) ColFails(j, "it is in no row, and its cost falls without bound as it increases", "unbounded");
    x = lp_.cup[j];
  } else {
    x = !std::isinf(lp_.clo[j]) ? lp_.clo[j] : !std::isinf(lp_.cup[j]) ? lp_.cup[j] : 0.0;
  }
  log_.NullColumn(j, x, c);
  lp_.RemoveCol(j);
  return true;
}

bool Presolver::FixedCol(int j) {
  if (!on(FIXCOL) || !lp_.colLive[j]) return false;
  const double lo = lp_.clo[j], up = lp_.cup[j];
  if (std::isinf(lo) || std::isinf(up) || up - lo > opt_.feasTol * (1 + std::fabs(lo))) return false;
  log_.FixedColumn(j, lo, lp_.cost[j], lp_.Col(j));
  lp_.FixCol(j, lo);
  return true;
}

// Every entry in a one-sided row whose dual sign keeps -a_ij y_i >= 0 (<= 0)
// and a cost >= 0 (<= 0): the dual slack cannot be negative (positive) at any
// dual-feasible point, so the column can sit at its lower (upper) bound.
bool Presolver::DominatedCol(int j) {
  if (!on(DOMCOL) || !lp_.colLive[j] || lp_.colCount[j] == 0) return false;
  int raise = 0, lower = 0;  // entries whose -a y is always >= 0, always <= 0
  for (const auto& [i, a] : lp_.Col(j)) {
    const bool hasLo = !std::isinf(lp_.rlo[i]), hasUp = !std::isinf(lp_.rup[i]);
    if (hasLo && hasUp) return false;
    if (!hasLo && !hasUp) continue;  // a free row's dual is 0
    // y <= 0 under an upper bound, >= 0 under a lower one
    if ((a > 0) == hasUp) ++raise;
    else ++lower;
  }
  const double c = lp_.cost[j];
  double x;
  if (lower == 0 && c >= 0 && !std::isinf(lp_.clo[j])) x = lp_.clo[j];
  else if (raise == 0 && c <= 0 && !std::isinf(lp_.cup[j])) x = lp_.cup[j];
  else return false;
  log_.DominatedColumn(j, x, c, lp_.Col(j));
  lp_.FixCol(j, x);
  return true;
}

namespace {

// The bounds of x_j + alpha x_k.
std::pair<double, double> MergedBounds(const WorkLp& lp, int j, int k, double alpha) {
  if (alpha > 0) return {lp.clo[j] + alpha * lp.clo[k], lp.cup[j] + alpha * lp.cup[k]};
  return {lp.clo[j] + alpha * lp.cup[k], lp.cup[j] + alpha * lp.clo[k]};
}

// The replay splits a value s at a merged bound as x_k = (s - bound of j) /
// alpha: it must give back k's bound exactly, else the interval it splits in
// comes out empty by a rounding.
bool SplitsExactly(const WorkLp& lp, int j, int k, double alpha) {
  const auto [lo, up] = MergedBounds(lp, j, k, alpha);
  const double kAtLo = alpha > 0 ? lp.clo[k] : lp.cup[k], kAtUp = alpha > 0 ? lp.cup[k] : lp.clo[k];
  return (std::isinf(lo) || (lo - lp.clo[j]) / alpha == kAtLo) &&
         (std::isinf(up) || (up - lp.cup[j]) / alpha == kAtUp);
}

}  // namespace

// Column k = alpha * column j, costs included: k merges into j as x_j + alpha x_k.
bool Presolver::DuplicateCols() {
  if (!on(DUPCOL)) return false;
  std::vector<Pattern> patterns;
  for (int k = 0; k < lp_.n; ++k)
    if (lp_.colLive[k] && lp_.colCount[k] > 0 && !lp_.impliedBound[k]) patterns.push_back(MakePattern(k, lp_.Col(k)));
  bool any = false;
  ForEachCandidatePair(patterns, [&](const Pattern& kept, const Pattern& merged) {
    const int j = kept.owner, k = merged.owner;
    if (!lp_.colLive[j] || !lp_.colLive[k]) return false;
    const double alpha = ExactMultiple(kept.entries, merged.entries);
    if (std::fabs(alpha) < 1e-9 || lp_.cost[k] != alpha * lp_.cost[j] || !SplitsExactly(lp_, j, k, alpha))
      return false;
    log_.DuplicateColumn(k, j, alpha, lp_.clo[k], lp_.cup[k], lp_.clo[j], lp_.cup[j]);
    const auto [lo, up] = MergedBounds(lp_, j, k, alpha);
    lp_.clo[j] = lo;
    lp_.cup[j] = up;
    lp_.RemoveCol(k);
    lp_.TouchCol(j);
    any = true;
    return true;
  });
  return any;
}

// Last of all: a finite lower bound l != 0 is shifted to 0 (x = x' + l), and a
// column with only an upper bound u is reflected (x = u - x').
void Presolver::ShiftBounds() {
  for (int j = 0; j < lp_.n; ++j) {
    if (!lp_.colLive[j]) continue;
    const double lo = lp_.clo[j], up = lp_.cup[j];
    double shift;
    if (on(LOWBND) && !std::isinf(lo) && lo != 0) {
      // the replay adds l back: shift only when that restores u exactly
      if (!std::isinf(up) && (up - lo) + lo != up) continue;
      log_.LowerBound(j, lo);
      lp_.clo[j] = 0;
      lp_.cup[j] = up - lo;
      shift = lo;
    } else if (on(MINBND) && std::isinf(lo) && !std::isinf(up)) {
      log_.MinusBound(j, up);
      lp_.clo[j] = 0;
      lp_.cup[j] = kInf;
      lp_.sign[j] = -1;
      lp_.cost[j] = -lp_.cost[j];
      shift = up;
    } else {
      continue;
    }
    for (const auto& [i, a] : lp_.Col(j)) {
      lp_.rlo[i] = lp_.rlo[i] - a * shift;
      lp_.rup[i] = lp_.rup[i] - a * shift;
    }
  }
}

}  // namespace postsolve::presolve
