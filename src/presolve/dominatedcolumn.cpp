// DOMCOL: a column whose dual slack has one sign at every dual-feasible
// point sits at the bound that sign allows.
#include <cmath>

#include "work.h"

namespace postsolve::presolve {

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
  if (!lp_.MovesRowBoundsFaithfully(j, x)) return false;
  log_.DominatedColumn(j, x, c, ListOf(lp_.Col(j)));
  lp_.FixCol(j, x);
  return true;
}

}  // namespace postsolve::presolve
