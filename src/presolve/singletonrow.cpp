// SGLROW: an equality row with one entry fixes its column.
#include <cmath>

#include "work.h"

namespace postsolve::presolve {

bool Presolver::SingletonRow(int i) {
  if (!on(SGLROW) || !lp_.RowInPlay(i) || lp_.rowCount[i] != 1 || !Equality(lp_, i)) return false;
  const auto [j, a] = lp_.Row(i).front();
  if (std::fabs(a) < opt_.pivotTol) return false;
  const double x = lp_.rlo[i] / a;
  // x carries the rounding of the row's bound over a: outside the column's
  // bounds by more than that and the tolerance, the LP is infeasible; by
  // less, the solver judges (a column merged from duplicates would split
  // such an x into values outside their own, smaller, tolerances).
  const double slack = RowTolerance(i, lp_.rlo[i]) / std::fabs(a) + lp_.boundSlack[j];
  if (!Within(x, lp_.clo[j] - slack, lp_.cup[j] + slack))
    RowFails(i, "it fixes column " + model_.colNames[j] + " at " + CaseDouble(x) + ", outside its bounds");
  if (x < lp_.clo[j] || x > lp_.cup[j]) return false;
  if (!lp_.MovesRowBoundsFaithfully(j, x)) return false;
  log_.SingletonRow(i, j, x, a, lp_.cost[j], ListOf(lp_.Col(j)));
  lp_.RemoveRow(i);
  lp_.FixCol(j, x);
  return true;
}

}  // namespace postsolve::presolve
