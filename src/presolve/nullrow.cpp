// NULROW: a row with no entries left goes, if its bounds admit 0.
#include "work.h"

namespace postsolve::presolve {

bool Presolver::NullRow(int i) {
  if (!on(NULROW) || lp_.rowState[i] == WorkLp::kRemoved || lp_.rowCount[i] != 0) return false;
  if (!RowAdmits(i, 0, lp_.rlo[i], lp_.rup[i])) RowFails(i, "it is empty and its bounds exclude 0");
  log_.NullRow(i);
  lp_.RemoveRow(i);
  return true;
}

}  // namespace postsolve::presolve
