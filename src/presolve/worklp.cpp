// The working LP: two views of one matrix, kept in step lazily.
#include <cmath>

#include "rounding.h"
#include "work.h"

namespace postsolve::presolve {

WorkLp::WorkLp(const Model& model)
    : m(model.rows()), n(model.cols()), rowState(m, kLive), colLive(n, 1), rowCount(m, 0),
      colCount(n, 0), impliedBound(n, 0), sign(n, 1.0), boundSlack(n, 0.0), cols_(n), rows_(m),
      rowQueued_(m, 0), colQueued_(n, 0) {
  const double sense = model.maximise ? -1.0 : 1.0;
  for (int i = 0; i < m; ++i) {
    rlo.push_back(LowerOrNone(model.rlo[i]));
    rup.push_back(UpperOrNone(model.rup[i]));
    rowSize.push_back(std::max(FiniteSize(rlo[i]), FiniteSize(rup[i])));
  }
  for (int e = 0; e < model.start[n]; ++e)
    if (model.value[e] != 0) ++rowCount[model.index[e]];
  for (int i = 0; i < m; ++i) rows_[i].reserve(rowCount[i]);
  for (int j = 0; j < n; ++j) {
    cols_[j].reserve(model.start[j + 1] - model.start[j]);
    clo.push_back(LowerOrNone(model.clo[j]));
    cup.push_back(UpperOrNone(model.cup[j]));
    cost.push_back(sense * model.cost[j]);
    for (int e = model.start[j]; e < model.start[j + 1]; ++e) {
      if (model.value[e] == 0) continue;  // an explicit zero is no entry
      const int i = model.index[e];
      cols_[j].emplace_back(i, model.value[e]);
      rows_[i].emplace_back(j, model.value[e]);
      ++colCount[j];
    }
  }
  for (int i = 0; i < m; ++i) TouchRow(i);
  for (int j = 0; j < n; ++j) TouchCol(j);
}

const Entries& WorkLp::Col(int j) {
  Entries& list = cols_[j];
  if (static_cast<int>(list.size()) != colCount[j])
    std::erase_if(list, [&](const auto& e) { return rowState[e.first] != kLive; });
  return list;
}

const Entries& WorkLp::Row(int i) {
  Entries& list = rows_[i];
  if (rowState[i] != kLive) {
    list.clear();
  } else if (static_cast<int>(list.size()) != rowCount[i]) {
    std::erase_if(list, [&](const auto& e) { return !colLive[e.first]; });
  }
  return list;
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
  rows_[i].clear();
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
  cols_[j].clear();
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

void WorkLp::ReleaseRows() { std::vector<Entries>().swap(rows_); }

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
