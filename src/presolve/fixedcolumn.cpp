// FIXCOL: a column whose bounds meet leaves at its lower bound.
#include <cmath>

#include "work.h"

namespace postsolve::presolve {

bool Presolver::FixedCol(int j) {
  if (!on(FIXCOL) || !lp_.colLive[j]) return false;
  const double lo = lp_.clo[j], up = lp_.cup[j];
  if (std::isinf(lo) || std::isinf(up) || up - lo > opt_.feasTol * (1 + std::fabs(lo))) return false;
  log_.FixedColumn(j, lo, lp_.cost[j], lp_.Col(j));
  lp_.FixCol(j, lo);
  return true;
}

}  // namespace postsolve::presolve
