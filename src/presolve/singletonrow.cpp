// SGLROW: an equality row with one entry fixes its column.
#include <cmath>

#include "work.h"

namespace postsolve::presolve {

bool Presolver::SingletonRow(int i) {
  if (!on(SGLROW) || !lp_.RowInPlay(i) || lp_.rowCount[i] != 1 || !Equality(lp_, i)) return false;
  const auto [j, a] = lp_.Row(i).front();
  if (std::fabs(a) < opt_.pivotTol) return false;
  const double x = lp_.rlo[i] / a;
  if (!Within(x, lp_.clo[j], lp_.cup[j]))
    RowFails(i, "it fixes column " + model_.colNames[j] + " at " + CaseDouble(x) + ", outside its bounds");
  if (!lp_.MovesRowBoundsFaithfully(j, x)) return false;
  log_.SingletonRow(i, j, x, a, lp_.cost[j], lp_.Col(j));
  lp_.RemoveRow(i);
  lp_.FixCol(j, x);
  return true;
}

}  // namespace postsolve::presolve
