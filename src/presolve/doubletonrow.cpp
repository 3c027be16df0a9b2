// DBLROW: an equality row of two columns, one of them in no other row,
// eliminates that column and moves its bounds onto the other.
#include <algorithm>
#include <cmath>

#include "rounding.h"
#include "work.h"

namespace postsolve::presolve {

// An equality row a_j x_j + a_k x_k = b whose column j is in no other row:
// j goes, and its bounds become bounds of k.
bool Presolver::DoubletonRow(int i) {
  if (!on(DBLROW) || !lp_.RowInPlay(i) || lp_.rowCount[i] != 2 || !Equality(lp_, i)) return false;
  const EntrySpan row = lp_.Row(i);
  const int first = lp_.colCount[row[0].first] == 1 && !lp_.impliedBound[row[0].first] ? 0 : 1;
  const int j = row[first].first, k = row[1 - first].first;
  const double aj = row[first].second, ak = row[1 - first].second;  // plain names: lambdas capture them
  if (j == k || lp_.colCount[j] != 1 || lp_.impliedBound[j] || lp_.impliedBound[k]) return false;
  if (std::fabs(aj) < opt_.pivotTol || std::fabs(ak) < opt_.pivotTol) return false;
  const double b = lp_.rlo[i];
  const auto kAt = [&](double xj) { return (b - aj * xj) / ak; };  // x_k when x_j is at xj
  const bool increasing = (aj > 0) != (ak > 0);  // x_k grows with x_j
  const double fromLo = std::isinf(lp_.clo[j]) ? (increasing ? -kInf : kInf) : kAt(lp_.clo[j]);
  const double fromUp = std::isinf(lp_.cup[j]) ? (increasing ? kInf : -kInf) : kAt(lp_.cup[j]);
  const double impliedLo = increasing ? fromLo : fromUp, impliedUp = increasing ? fromUp : fromLo;
  const bool flo = impliedLo > lp_.clo[k], fup = impliedUp < lp_.cup[k];
  const double lo = flo ? impliedLo : lp_.clo[k], up = fup ? impliedUp : lp_.cup[k];
  // the implied bounds carry the rounding of the row's bound over a_k, and
  // any j's bounds carry
  const double slack = RowTolerance(i, b) / std::fabs(ak) + lp_.boundSlack[j] * std::fabs(aj / ak);
  if (lo > up + opt_.feasTol * (1 + std::fabs(up)) + slack + lp_.boundSlack[k])
    RowFails(i, "the bounds it implies for column " + model_.colNames[k] + " cross");
  // k fixed, or nearly, at a bound it takes from j: the replay's exact
  // binding test could then pick the wrong dual, and within its tolerance of
  // fixed a solver can leave k at either bound with a dual slack of either
  // sign; so leave the row.
  const bool nearlyFixed =
      lo >= up || (std::isfinite(up - lo) && up - lo <= kSolverTolerance * std::max({1.0, std::fabs(lo), std::fabs(up)}));
  if ((flo || fup) && nearlyFixed) return false;
  // The replay's x_j = (b - a_k x_k) / a_j carries the rounding of b and
  // a_k x_k over a_j: where that exceeds the tolerance of a bound of j (a
  // small a_j against a large b), j would miss that bound when it sits there.
  const double sumSize = std::max(std::fabs(b), std::fabs(ak) * std::max(FiniteSize(lo), FiniteSize(up)));
  if (SumRounding(sumSize, 2) / std::fabs(aj) >
      kSolverTolerance * std::max(1.0, SmallerBoundSize(lp_.clo[j], lp_.cup[j])))
    return false;
  // nor a bound beyond what the reduced LP's solver can take
  if ((flo && std::fabs(lo) >= kLargestFinite) || (fup && std::fabs(up) >= kLargestFinite)) return false;
  // The replay reads k's list only when k ends at a flagged bound; unflagged,
  // the list stays empty, so that a long column in many such rows is not
  // written again for each.
  if (!(std::fabs(MovedCost(lp_.cost[k], lp_.cost[j] * ak / aj)) < kLargestCost)) return false;  // k's new cost
  const bool flagged = flo || fup;
  log_.DoubletonRow(i, j, k, b, aj, ak, lp_.cost[j], lp_.cost[k], flo, lo, fup, up,
              flagged ? lp_.ColExcept(k, i) : Entries{});
  lp_.cost[k] = MovedCost(lp_.cost[k], lp_.cost[j] * ak / aj);
  lp_.RemoveRow(i);
  lp_.RemoveCol(j);
  lp_.TouchCol(k);
  if (flagged) {
    lp_.clo[k] = lo;
    lp_.cup[k] = up;
    lp_.impliedBound[k] = 1;
    lp_.boundSlack[k] = std::max(lp_.boundSlack[k], slack);
    for (const auto& [r, a] : lp_.Col(k)) lp_.TouchRow(r);  // its bounds changed
  }
  return true;
}

}  // namespace postsolve::presolve
