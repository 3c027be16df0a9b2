// FIXCOL: a column whose bounds are equal leaves at that value.
#include <cmath>

#include "work.h"

namespace postsolve::presolve {

// Only equal bounds: a column whose bounds are merely close is left to the
// solver, as fixing it at one of them is a restriction that the LP can
// magnify far beyond the gap (a gap of 5e-10 through a coefficient of 1e6).
bool Presolver::FixedCol(int j) {
  if (!on(FIXCOL) || !lp_.colLive[j]) return false;
  const double x = lp_.clo[j];
  if (std::isinf(x) || x != lp_.cup[j] || !lp_.MovesRowBoundsFaithfully(j, x)) return false;
  log_.FixedColumn(j, x, lp_.cost[j], ListOf(lp_.Col(j)));
  lp_.FixCol(j, x);
  return true;
}

}  // namespace postsolve::presolve
