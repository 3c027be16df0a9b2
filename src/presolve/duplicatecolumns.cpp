// DUPCOL: a column that is an exact multiple of another, cost included,
// merges into it.
#include <algorithm>
#include <cmath>
#include <utility>

#include "rounding.h"
#include "work.h"

namespace postsolve::presolve {

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
  std::vector<int> columns;
  for (int k = 0; k < lp_.n; ++k)
    if (lp_.colLive[k] && lp_.colCount[k] > 0 && !lp_.impliedBound[k]) columns.push_back(k);
  bool any = false;
  ForEachCandidatePair(columns, [&](int k) { return lp_.Col(k); },
                       [&](const Pattern& kept, const Pattern& merged) {
    const int j = kept.owner, k = merged.owner;
    if (!lp_.colLive[j] || !lp_.colLive[k]) return false;
    const double alpha = ExactMultiple(kept.entries, merged.entries);
    if (std::fabs(alpha) < 1e-9 || lp_.cost[k] != alpha * lp_.cost[j] || !SplitsExactly(lp_, j, k, alpha))
      return false;
    const auto [mergedLo, mergedUp] = MergedBounds(lp_, j, k, alpha);
    if ((!std::isinf(mergedLo) && std::fabs(mergedLo) >= kLargestFinite) ||
        (!std::isinf(mergedUp) && std::fabs(mergedUp) >= kLargestFinite))
      return false;  // a bound the reduced LP's solver could not take
    // The replay splits the merged value by subtraction: its rounding, at the
    // size of the merged bounds, must be within the tolerance of j's bounds,
    // and over alpha of k's (x_j in [-1, -0.9999999997] beside alpha x_k near
    // 7e18 would come back 1e3 off).
    const double rounding = SumRounding(std::max(FiniteSize(mergedLo), FiniteSize(mergedUp)), 2);
    if (rounding > kSolverTolerance * std::max(1.0, SmallerBoundSize(lp_.clo[j], lp_.cup[j])) ||
        rounding / std::fabs(alpha) > kSolverTolerance * std::max(1.0, SmallerBoundSize(lp_.clo[k], lp_.cup[k])))
      return false;
    log_.DuplicateColumn(k, j, alpha, lp_.clo[k], lp_.cup[k], lp_.clo[j], lp_.cup[j]);
    const auto [lo, up] = MergedBounds(lp_, j, k, alpha);
    lp_.clo[j] = lo;
    lp_.cup[j] = up;
    lp_.boundSlack[j] = lp_.boundSlack[j] + std::fabs(alpha) * lp_.boundSlack[k];
    lp_.RemoveCol(k);
    lp_.TouchCol(j);
    any = true;
    return true;
  });
  return any;
}

}  // namespace postsolve::presolve
