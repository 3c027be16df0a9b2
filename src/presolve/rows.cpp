// Row reductions: empty, singleton, forcing, doubleton, dominating (a row that
// determines one of its columns) and duplicate rows.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "work.h"

namespace postsolve::presolve {

namespace {

// The least and greatest value a row's activity can take over the column
// bounds: the finite part of each, and how many terms are infinite.
struct Activity {
  double lo = 0, up = 0;
  int loInf = 0, upInf = 0;
};

double LeastTerm(const WorkLp& lp, int j, double a) { return a * (a > 0 ? lp.clo[j] : lp.cup[j]); }
double GreatestTerm(const WorkLp& lp, int j, double a) { return a * (a > 0 ? lp.cup[j] : lp.clo[j]); }

Activity RowActivity(const WorkLp& lp, const Entries& row) {
  Activity act;
  for (const auto& [j, a] : row) {
    const double least = LeastTerm(lp, j, a), greatest = GreatestTerm(lp, j, a);
    if (std::isinf(least)) ++act.loInf;
    else act.lo += least;
    if (std::isinf(greatest)) ++act.upInf;
    else act.up += greatest;
  }
  return act;
}

bool Equality(const WorkLp& lp, int i) { return lp.rlo[i] == lp.rup[i]; }

}  // namespace

bool Presolver::NullRow(int i) {
  if (!on(NULROW) || lp_.rowState[i] == WorkLp::kRemoved || lp_.rowCount[i] != 0) return false;
  if (!Within(0, lp_.rlo[i], lp_.rup[i])) RowFails(i, "it is empty and its bounds exclude 0");
  log_.NullRow(i);
  lp_.RemoveRow(i);
  return true;
}

// An equality row with one entry fixes its column.
bool Presolver::SingletonRow(int i) {
  if (!on(SGLROW) || !lp_.RowInPlay(i) || lp_.rowCount[i] != 1 || !Equality(lp_, i)) return false;
  const auto [j, a] = lp_.Row(i).front();
  if (std::fabs(a) < opt_.pivotTol) return false;
  const double x = lp_.rlo[i] / a;
  if (!Within(x, lp_.clo[j], lp_.cup[j]))
    RowFails(i, "it fixes column " + model_.colNames[j] + " at " + CaseDouble(x) + ", outside its bounds");
  log_.SingletonRow(i, j, x, a, lp_.cost[j], lp_.Col(j));
  lp_.RemoveRow(i);
  lp_.FixCol(j, x);
  return true;
}

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

// An equality row a_j x_j + a_k x_k = b whose column j is in no other row:
// j goes, and its bounds become bounds of k.
bool Presolver::DoubletonRow(int i) {
  if (!on(DBLROW) || !lp_.RowInPlay(i) || lp_.rowCount[i] != 2 || !Equality(lp_, i)) return false;
  const Entries& row = lp_.Row(i);
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
  if (lo > up + opt_.feasTol * (1 + std::fabs(up)))
    RowFails(i, "the bounds it implies for column " + model_.colNames[k] + " cross");
  // k fixed at a bound it takes from j: the replay's exact binding test could
  // then pick the wrong dual, so leave the row.
  if ((flo || fup) && lo >= up) return false;
  // The replay reads k's list only when k ends at a flagged bound; unflagged,
  // the list stays empty, so that a long column in many such rows is not
  // written again for each.
  const bool flagged = flo || fup;
  log_.DoubletonRow(i, j, k, b, aj, ak, lp_.cost[j], lp_.cost[k], flo, lo, fup, up,
              flagged ? lp_.ColExcept(k, i) : Entries{});
  lp_.cost[k] = lp_.cost[k] - lp_.cost[j] * ak / aj;
  lp_.RemoveRow(i);
  lp_.RemoveCol(j);
  lp_.TouchCol(k);
  if (flagged) {
    lp_.clo[k] = lo;
    lp_.cup[k] = up;
    lp_.impliedBound[k] = 1;
    for (const auto& [r, a] : lp_.Col(k)) lp_.TouchRow(r);  // its bounds changed
  }
  return true;
}

// An equality row with a column j in no other row whose bounds the row
// implies (or that has none): j is given by the row, the row's dual by j's
// cost, which moves to the row's other columns.
bool Presolver::DominatingRow(int i) {
  if (!on(DOMROW) || !lp_.RowInPlay(i) || lp_.rowCount[i] < 2 || !Equality(lp_, i)) return false;
  const Entries row = lp_.Row(i);
  const Activity act = RowActivity(lp_, row);
  const double b = lp_.rlo[i];
  for (const auto& [j, a] : row) {
    if (lp_.colCount[j] != 1 || lp_.impliedBound[j] || std::fabs(a) < opt_.pivotTol) continue;
    if (!std::isinf(lp_.clo[j]) || !std::isinf(lp_.cup[j])) {
      // the rest of the row's activity, without j's own terms
      const double least = LeastTerm(lp_, j, a), greatest = GreatestTerm(lp_, j, a);
      const int loInf = act.loInf - (std::isinf(least) ? 1 : 0);
      const int upInf = act.upInf - (std::isinf(greatest) ? 1 : 0);
      const double restLo = loInf > 0 ? -kInf : act.lo - (std::isinf(least) ? 0 : least);
      const double restUp = upInf > 0 ? kInf : act.up - (std::isinf(greatest) ? 0 : greatest);
      double lo = (b - restUp) / a, up = (b - restLo) / a;
      if (a < 0) std::swap(lo, up);
      if (lo < lp_.clo[j] - opt_.feasTol * (1 + std::fabs(lp_.clo[j])) ||
          up > lp_.cup[j] + opt_.feasTol * (1 + std::fabs(lp_.cup[j])))
        continue;
    }
    log_.DominatedRow(i, j, b, a, lp_.cost[j], row);
    const double y = lp_.cost[j] / a;
    for (const auto& [q, aq] : row) {
      if (q == j) continue;
      lp_.cost[q] = lp_.cost[q] - aq * y;
      lp_.TouchCol(q);
    }
    lp_.RemoveRow(i);
    lp_.RemoveCol(j);
    return true;
  }
  return false;
}

Pattern MakePattern(int owner, const Entries& list) {
  Pattern p{owner, list, 0};
  std::sort(p.entries.begin(), p.entries.end());
  const double first = p.entries.front().second;
  std::uint64_t h = p.entries.size();
  for (const auto& [index, value] : p.entries) {
    // the ratio rounded to single precision: exact multiples share it
    const float ratio = static_cast<float>(value / first);
    std::uint32_t bits;
    std::memcpy(&bits, &ratio, sizeof bits);
    h = (h ^ static_cast<std::uint64_t>(index)) * 0x100000001b3ULL;
    h = (h ^ bits) * 0x100000001b3ULL;
  }
  p.key = h;
  return p;
}

double ExactMultiple(const Entries& r, const Entries& s) {
  if (r.size() != s.size() || r.empty()) return 0;
  const double v = s.front().second / r.front().second;
  for (std::size_t q = 0; q < r.size(); ++q)
    if (r[q].first != s[q].first || s[q].second != v * r[q].second) return 0;
  return v;
}

void ForEachCandidatePair(std::vector<Pattern>& patterns,
                          const std::function<bool(const Pattern& r, const Pattern& s)>& pair) {
  constexpr std::size_t kTries = 4;  // earlier members of the group compared with each
  std::sort(patterns.begin(), patterns.end(), [](const Pattern& a, const Pattern& b) {
    return a.key != b.key ? a.key < b.key : a.owner < b.owner;
  });
  std::size_t groupStart = 0;
  for (std::size_t q = 0; q < patterns.size(); ++q) {
    if (patterns[q].key != patterns[groupStart].key) groupStart = q;
    for (std::size_t p = q > groupStart + kTries ? q - kTries : groupStart; p < q; ++p)
      if (pair(patterns[p], patterns[q])) break;
  }
}

// Parallel rows, one of them an equality r: s = v * r loses all its entries
// (s - v * r) and its bounds move by -v * b_r; the empty row is then dropped.
bool Presolver::DuplicateRows() {
  if (!on(DUPROW)) return false;
  std::vector<Pattern> patterns;
  for (int s = 0; s < lp_.m; ++s)
    if (lp_.RowInPlay(s) && lp_.rowCount[s] > 0) patterns.push_back(MakePattern(s, lp_.Row(s)));
  bool any = false;
  ForEachCandidatePair(patterns, [&](const Pattern& first, const Pattern& second) {
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
    if (!Within(0, lo, up))
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
