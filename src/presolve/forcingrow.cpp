// FORROW: a row that its activity bounds hold at one of its own bounds
// fixes every column in it.
#include <algorithm>
#include <cmath>

#include "activity.h"
#include "work.h"

namespace postsolve::presolve {

// A row whose least (greatest) activity meets its upper (lower) bound holds
// every column at the bound that gives it.
bool Presolver::ForcingRow(int i) {
  if (!on(FORROW) || !lp_.RowInPlay(i) || lp_.rowCount[i] == 0) return false;
  const Entries row = lp_.Row(i);
  const Activity act = RowActivity(lp_, row);
  const double lo = lp_.rlo[i], up = lp_.rup[i];
  const double upTol = opt_.feasTol * (1 + std::fabs(up)), loTol = opt_.feasTol * (1 + std::fabs(lo));
  bool atUpper = false, atLower = false;
  if (act.loInf == 0 && !std::isinf(up)) {
    if (act.lo > up + upTol) RowFails(i, "its least activity " + CaseDouble(act.lo) + " exceeds its upper bound");
    atUpper = std::fabs(act.lo - up) <= upTol;
  }
  if (act.upInf == 0 && !std::isinf(lo)) {
    if (act.up < lo - loTol) RowFails(i, "its greatest activity " + CaseDouble(act.up) + " is below its lower bound");
    atLower = std::fabs(act.up - lo) <= loTol;
  }
  if (!atUpper && !atLower) return false;
  for (const auto& [j, a] : row)
    if (std::fabs(a) < std::max(opt_.pivotTol, 1e-13)) return false;
  lp_.RemoveRow(i);
  std::vector<ForcedColumn> items;
  for (const auto& [j, a] : row) {
    const bool toLower = (a > 0) == atUpper;
    items.push_back({toLower ? 'l' : 'u', j, toLower ? lp_.clo[j] : lp_.cup[j], a, lp_.cost[j], lp_.Col(j)});
  }
  log_.ForcingRow(i, items);
  for (const ForcedColumn& item : items) lp_.FixCol(item.j, item.xval);
  return true;
}

}  // namespace postsolve::presolve
