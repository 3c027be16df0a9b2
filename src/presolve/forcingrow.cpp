// FORROW: a row that its activity bounds hold at one of its own bounds
// fixes every column in it.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "activity.h"
#include "work.h"

namespace postsolve::presolve {

// A row whose least (greatest) activity meets its upper (lower) bound holds
// every column at the bound that gives it. Met means not below it (above it)
// by more than the sum's own rounding: a row with room left is no forcing
// row, as fixing its columns would be a restriction the LP could magnify.
// Nor above it (below it) by more than that: the row then has no feasible
// point but within a tolerance, whose room the solver may use as it likes.
// A sum whose rounding exceeds the tolerance, or the most one of its
// columns can move it, decides nothing.
bool Presolver::ForcingRow(int i) {
  if (!on(FORROW) || !lp_.RowInPlay(i) || lp_.rowCount[i] == 0) return false;
  const Entries row = ListOf(lp_.Row(i));
  const Activity act = RowActivity(lp_, row);
  const double lo = lp_.rlo[i], up = lp_.rup[i];
  // verdicts allow for the row's own rounding and its columns' bound slack
  double columnsSlack = 0;
  for (const auto& [j, a] : row) columnsSlack += std::fabs(a) * lp_.boundSlack[j];
  const double upTol = RowTolerance(i, up) + columnsSlack, loTol = RowTolerance(i, lo) + columnsSlack;
  bool atUpper = false, atLower = false;
  double rounding = 0;
  if (act.loInf == 0 && !std::isinf(up)) {
    rounding = SumRounding(act.loSize, row.size());
    if (act.lo - rounding > up + upTol)
      RowFails(i, "its least activity " + CaseDouble(act.lo) + " exceeds its upper bound");
    atUpper = rounding <= upTol && act.lo >= up - rounding && act.lo <= up + rounding;
  }
  if (act.upInf == 0 && !std::isinf(lo) && !atUpper) {
    rounding = SumRounding(act.upSize, row.size());
    if (act.up + rounding < lo - loTol)
      RowFails(i, "its greatest activity " + CaseDouble(act.up) + " is below its lower bound");
    atLower = rounding <= loTol && act.up <= lo + rounding && act.up >= lo - rounding;
  }
  if (!atUpper && !atLower) return false;
  for (const auto& [j, a] : row) {
    if (std::fabs(a) < std::max(opt_.pivotTol, 1e-13)) return false;
    const double reach = std::fabs(a) * (lp_.cup[j] - lp_.clo[j]);
    if (reach > 0 && reach <= rounding) return false;
  }
  std::vector<ForcedColumn> items;
  for (const auto& [j, a] : row) {
    const bool toLower = (a > 0) == atUpper;
    items.push_back({toLower ? 'l' : 'u', j, toLower ? lp_.clo[j] : lp_.cup[j], a, lp_.cost[j], {}});
  }
  for (const ForcedColumn& item : items)
    if (!lp_.MovesRowBoundsFaithfully(item.j, item.xval)) return false;
  lp_.RemoveRow(i);
  for (ForcedColumn& item : items) item.column = ListOf(lp_.Col(item.j));
  log_.ForcingRow(i, items);
  for (const ForcedColumn& item : items) lp_.FixCol(item.j, item.xval);
  return true;
}

}  // namespace postsolve::presolve
