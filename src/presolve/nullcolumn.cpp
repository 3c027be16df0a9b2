// NULCOL: a column in no row goes at the bound its cost prefers.
#include <cmath>

#include "work.h"

namespace postsolve::presolve {

// A column whose cost improves towards an infinite bound makes the LP
// unbounded only if the rest of it is feasible: it stays for the solver,
// unless the passes leave no row to doubt (Run).
bool Presolver::NullCol(int j) {
  if (!on(NULCOL) || !lp_.colLive[j] || lp_.colCount[j] != 0) return false;
  const double c = lp_.cost[j];
  if ((c > 0 && std::isinf(lp_.clo[j])) || (c < 0 && std::isinf(lp_.cup[j]))) {
    if (unboundedCol_ < 0) unboundedCol_ = j;
    return false;
  }
  double x;
  if (c > 0) x = lp_.clo[j];
  else if (c < 0) x = lp_.cup[j];
  else x = !std::isinf(lp_.clo[j]) ? lp_.clo[j] : !std::isinf(lp_.cup[j]) ? lp_.cup[j] : 0.0;
  log_.NullColumn(j, x, c);
  lp_.RemoveCol(j);
  return true;
}

void Presolver::UnboundedWhenNoRowLeft() const {
  if (unboundedCol_ < 0) return;
  for (int i = 0; i < lp_.m; ++i)
    if (lp_.rowState[i] != WorkLp::kRemoved) return;
  ColFails(unboundedCol_,
           lp_.cost[unboundedCol_] > 0 ? "it is in no row, and its cost falls without bound as it decreases"
                                       : "it is in no row, and its cost falls without bound as it increases",
           Status::Unbounded);
}

}  // namespace postsolve::presolve
