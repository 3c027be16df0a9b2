// DUPROW: a row that is an exact multiple of an equality row loses its
// entries; the empty row is then dropped.
#include <utility>

#include "work.h"

namespace postsolve::presolve {

// Parallel rows, one of them an equality r: s = v * r loses all its entries
// (s - v * r) and its bounds move by -v * b_r; the empty row is then dropped.
bool Presolver::DuplicateRows() {
  if (!on(DUPROW)) return false;
  std::vector<int> rows;
  for (int s = 0; s < lp_.m; ++s)
    if (lp_.RowInPlay(s) && lp_.rowCount[s] > 0) rows.push_back(s);
  bool any = false;
  ForEachCandidatePair(rows, [&](int s) { return lp_.Row(s); },
                       [&](const Pattern& first, const Pattern& second) {
    if (!lp_.RowInPlay(first.owner) || !lp_.RowInPlay(second.owner)) return false;
    const Pattern* r = &first;
    const Pattern* s = &second;
    if (!Equality(lp_, r->owner)) std::swap(r, s);
    if (!Equality(lp_, r->owner)) return false;
    const double v = ExactMultiple(r->entries, s->entries);
    if (v == 0) return false;
    const int pivot = r->owner, other = s->owner;
    const double b = lp_.rlo[pivot];
    const double lo = lp_.rlo[other] - v * b, up = lp_.rup[other] - v * b;
    if ((!std::isinf(lo) && std::fabs(lo) >= kLargestFinite) || (!std::isinf(up) && std::fabs(up) >= kLargestFinite))
      return false;  // a bound the reduced LP's solver could not take
    lp_.rowSize[other] = std::max({lp_.rowSize[other], std::fabs(v * b), std::fabs(v) * lp_.rowSize[pivot]});
    if (!RowAdmits(other, 0, lo, up))
      RowFails(other, "it is a multiple of row " + model_.rowNames[pivot] + " with bounds that conflict");
    log_.DuplicateRow(pivot, other, v);
    lp_.rlo[other] = lo;
    lp_.rup[other] = up;
    lp_.ClearRow(other);
    lp_.TouchRow(other);
    any = true;
    return true;
  });
  return any;
}

}  // namespace postsolve::presolve
