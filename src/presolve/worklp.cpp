// The working LP: two views of one matrix, kept in step lazily.
#include <cmath>

#include "rounding.h"
#include "work.h"

namespace postsolve::presolve {

WorkLp::WorkLp(const Model& model)
    : m(model.rows()), n(model.cols()), rowState(m, kLive), colLive(n, 1), rowCount(m, 0),
      colCount(n, 0), impliedBound(n, 0), sign(n, 1.0), boundSlack(n, 0.0), rowQueued_(m, 0), colQueued_(n, 0) {
  const double sense = model.maximise ? -1.0 : 1.0;
  rlo.reserve(m);
  rup.reserve(m);
  rowSize.reserve(m);
  for (int i = 0; i < m; ++i) {
    rlo.push_back(LowerOrNone(model.rlo[i]));
    rup.push_back(UpperOrNone(model.rup[i]));
    rowSize.push_back(std::max(FiniteSize(rlo[i]), FiniteSize(rup[i])));
  }
  for (int j = 0; j < n; ++j)
    for (int e = model.start[j]; e < model.start[j + 1]; ++e)
      if (model.value[e] != 0) {  // an explicit zero is no entry
        ++rowCount[model.index[e]];
        ++colCount[j];
      }
  // each list starts where the one before it ends, at its full length
  const auto lay = [](Lists& lists, const std::vector<int>& count) {
    lists.start.resize(count.size());
    lists.length.assign(count.size(), 0);
    int at = 0;
    for (std::size_t k = 0; k < count.size(); ++k) {
      lists.start[k] = at;
      at += count[k];
    }
    lists.entries.resize(static_cast<std::size_t>(at));
  };
  lay(cols_, colCount);
  lay(rows_, rowCount);
  clo.reserve(n);
  cup.reserve(n);
  cost.reserve(n);
  for (int j = 0; j < n; ++j) {
    clo.push_back(LowerOrNone(model.clo[j]));
    cup.push_back(UpperOrNone(model.cup[j]));
    cost.push_back(sense * model.cost[j]);
    for (int e = model.start[j]; e < model.start[j + 1]; ++e) {
      if (model.value[e] == 0) continue;
      const int i = model.index[e];
      cols_.begin(j)[cols_.length[j]++] = {i, model.value[e]};
      rows_.begin(i)[rows_.length[i]++] = {j, model.value[e]};
    }
  }
  for (int i = 0; i < m; ++i) TouchRow(i);
  for (int j = 0; j < n; ++j) TouchCol(j);
}

EntrySpan WorkLp::Col(int j) {
  if (cols_.length[j] != colCount[j]) cols_.Squeeze(j, [&](const Entry& e) { return rowState[e.first] != kLive; });
  return cols_.span(j);
}

EntrySpan WorkLp::Row(int i) {
  if (rowState[i] != kLive) {
    rows_.Clear(i);
  } else if (rows_.length[i] != rowCount[i]) {
    rows_.Squeeze(i, [&](const Entry& e) { return !colLive[e.first]; });
  }
  return rows_.span(i);
}

Entries WorkLp::ColExcept(int j, int row) {
  Entries list;
  for (const auto& e : Col(j))
    if (e.first != row) list.push_back(e);
  return list;
}

void WorkLp::ClearRow(int i) {
  for (const auto& [j, a] : Row(i)) {
    --colCount[j];
    TouchCol(j);
  }
  rowCount[i] = 0;
  rowState[i] = kCleared;
  rows_.Clear(i);
}

void WorkLp::RemoveRow(int i) {
  if (rowState[i] == kLive) ClearRow(i);
  rowState[i] = kRemoved;
}

void WorkLp::RemoveCol(int j) {
  for (const auto& [i, a] : Col(j)) {
    --rowCount[i];
    TouchRow(i);
  }
  colCount[j] = 0;
  colLive[j] = 0;
  cols_.Clear(j);
}

void WorkLp::FixCol(int j, double x) {
  for (const auto& [i, a] : Col(j)) {
    rlo[i] = rlo[i] - a * x;  // an infinite side stays infinite
    rup[i] = rup[i] - a * x;
    rowSize[i] = std::max(rowSize[i], std::fabs(a * x));
  }
  RemoveCol(j);
}

bool WorkLp::MovesRowBoundsFaithfully(int j, double x, double slack) {
  // and whose rounding, at the size of the bound and a*x, is within the
  // solver's tolerance, taken absolute: a bound of 5e11 moved to 1e-5 would
  // hand the solver a row 1e-4 off, which the row's other columns may have
  // no room to make up
  const auto faithful = [&](double bound, double ax) {
    if (std::isinf(bound)) return true;
    const double moved = bound - ax;
    return std::fabs((moved + ax) - bound) <= slack * (1 + std::fabs(bound)) && std::fabs(moved) < kLargestFinite &&
           SumRounding(std::max(std::fabs(bound), std::fabs(ax)), 2) <= kSolverTolerance;
  };
  for (const auto& [i, a] : Col(j))
    if (!faithful(rlo[i], a * x) || !faithful(rup[i], a * x)) return false;
  return true;
}

void WorkLp::ReleaseRows() { rows_ = Lists(); }

void WorkLp::ReleaseCols() { cols_ = Lists(); }

void WorkLp::TouchRow(int i) {
  if (!rowQueued_[i]) {
    rowQueued_[i] = 1;
    rowQueue_.push_back(i);
  }
}

void WorkLp::TouchCol(int j) {
  if (!colQueued_[j]) {
    colQueued_[j] = 1;
    colQueue_.push_back(j);
  }
}

std::vector<int> WorkLp::TakeRows() {
  std::vector<int> list;
  list.swap(rowQueue_);
  for (int i : list) rowQueued_[i] = 0;
  return list;
}

std::vector<int> WorkLp::TakeCols() {
  std::vector<int> list;
  list.swap(colQueue_);
  for (int j : list) colQueued_[j] = 0;
  return list;
}

}  // namespace postsolve::presolve
