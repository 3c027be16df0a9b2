// NULCOL: a column in no row goes at the bound its cost prefers.
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

}  // namespace postsolve::presolve
