// DOMROW: an equality row that determines one of its columns, a column in
// no other row whose bounds the row implies.
#include <algorithm>
#include <cmath>
#include <utility>

#include "activity.h"
#include "work.h"

namespace postsolve::presolve {

// An equality row with a column j in no other row whose bounds the row
// implies (or that has none): j is given by the row, the row's dual by j's
// cost, which moves to the row's other columns.
bool Presolver::DominatingRow(int i) {
  if (!on(DOMROW) || !lp_.RowInPlay(i) || lp_.rowCount[i] < 2 || !Equality(lp_, i)) return false;
  const Entries row = ListOf(lp_.Row(i));
  const Activity act = RowActivity(lp_, row);
  const double b = lp_.rlo[i];
  for (const auto& [j, a] : row) {
    if (lp_.colCount[j] != 1 || lp_.impliedBound[j] || std::fabs(a) < opt_.pivotTol) continue;
    if (!std::isinf(lp_.clo[j]) || !std::isinf(lp_.cup[j])) {
      // the rest of the row's activity, without j's own terms
      const double least = LeastTerm(lp_, j, a), greatest = GreatestTerm(lp_, j, a);
      const int loInf = act.loInf - (std::isinf(least) ? 1 : 0);
      const int upInf = act.upInf - (std::isinf(greatest) ? 1 : 0);
      const double restLo = loInf > 0 ? -kInf : act.lo - (std::isinf(least) ? 0 : least);
      const double restUp = upInf > 0 ? kInf : act.up - (std::isinf(greatest) ? 0 : greatest);
      double lo = (b - restUp) / a, up = (b - restLo) / a;
      if (a < 0) std::swap(lo, up);
      // within them, not merely within the tolerance: dropping bounds the row
      // does not quite imply relaxes the LP, and the other columns can use
      // the room through coefficients far smaller than a_j
      if (lo < lp_.clo[j] || up > lp_.cup[j]) continue;
      // and by the rounding of b and the row's terms over a_j, which the
      // replay's x_j = (b - sum) / a_j carries, where that rounding is more
      // than the tolerance of j's bounds (a small a_j against a large b)
      const double margin = SumRounding(std::fabs(b) + std::max(act.loSize, act.upSize), row.size() + 1) / std::fabs(a);
      if (margin > kSolverTolerance * std::max(1.0, SmallerBoundSize(lp_.clo[j], lp_.cup[j])) && (lo < lp_.clo[j] + margin || up > lp_.cup[j] - margin))
        continue;
    }
    const double y = lp_.cost[j] / a;
    bool costsTakeable = true;  // the moved costs stay below what the solver takes
    for (const auto& [q, aq] : row)
      costsTakeable = costsTakeable && (q == j || std::fabs(MovedCost(lp_.cost[q], aq * y)) < kLargestCost);
    if (!costsTakeable) continue;
    log_.DominatedRow(i, j, b, a, lp_.cost[j], row);
    for (const auto& [q, aq] : row) {
      if (q == j) continue;
      lp_.cost[q] = MovedCost(lp_.cost[q], aq * y);
      lp_.TouchCol(q);
    }
    lp_.RemoveRow(i);
    lp_.RemoveCol(j);
    return true;
  }
  return false;
}

}  // namespace postsolve::presolve
