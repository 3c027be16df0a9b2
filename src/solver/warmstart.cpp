// Warm starts: a basis handed to Clp and the one it ends at read back.

#include <algorithm>
#include <cmath>

#include "clprun.h"
#include "failure.h"

namespace postsolve {

namespace {

ClpSimplex::Status ClpStatusOf(BasisStatus status) {
  switch (status) {
    case BasisStatus::Basic: return ClpSimplex::basic;
    case BasisStatus::AtLower: return ClpSimplex::atLowerBound;
    case BasisStatus::AtUpper: return ClpSimplex::atUpperBound;
    case BasisStatus::Free: return ClpSimplex::superBasic;
    case BasisStatus::Fixed: return ClpSimplex::isFixed;
  }
  return ClpSimplex::superBasic;
}

BasisStatus StatusOfClp(ClpSimplex::Status status, double lo, double up) {
  switch (status) {
    case ClpSimplex::basic: return BasisStatus::Basic;
    case ClpSimplex::atLowerBound: return lo == up ? BasisStatus::Fixed : BasisStatus::AtLower;
    case ClpSimplex::atUpperBound: return lo == up ? BasisStatus::Fixed : BasisStatus::AtUpper;
    case ClpSimplex::isFixed: return BasisStatus::Fixed;
    case ClpSimplex::isFree:
    case ClpSimplex::superBasic: return BasisStatus::Free;
  }
  return BasisStatus::Free;
}

// The value a nonbasic status puts a variable at; `given` for a Free one.
double ValueAt(BasisStatus status, double lo, double up, double given) {
  switch (status) {
    case BasisStatus::AtLower: return lo;
    case BasisStatus::AtUpper: return up;
    case BasisStatus::Fixed: return std::isfinite(lo) ? lo : up;
    default: return std::isfinite(given) ? given : 0.0;
  }
}

}  // namespace

void StartFrom(ClpSimplex& clp, const ClpStart& start) {
  const int m = clp.numberRows(), n = clp.numberColumns();
  if (static_cast<int>(start.basis.rows.size()) != m || static_cast<int>(start.basis.cols.size()) != n)
    throw PostError("warm start: the basis has " + std::to_string(start.basis.rows.size()) + " rows and " +
                    std::to_string(start.basis.cols.size()) + " columns, the model " + std::to_string(m) + " and " +
                    std::to_string(n));
  clp.createStatus();
  double* x = clp.primalColumnSolution();
  const double *clo = clp.columnLower(), *cup = clp.columnUpper();
  for (int j = 0; j < n; ++j) {
    const BasisStatus s = start.basis.cols[static_cast<std::size_t>(j)];
    clp.setColumnStatus(j, ClpStatusOf(s));
    const double given = start.x.empty() ? 0.0 : start.x[static_cast<std::size_t>(j)];
    x[j] = ValueAt(s, clo[j], cup[j], given);
  }
  for (int i = 0; i < m; ++i) clp.setRowStatus(i, ClpStatusOf(start.basis.rows[static_cast<std::size_t>(i)]));
}

Basis BasisOfClp(ClpSimplex& clp) {
  Basis basis;
  const double *clo = clp.columnLower(), *cup = clp.columnUpper();
  const double *rlo = clp.rowLower(), *rup = clp.rowUpper();
  for (int j = 0; j < clp.numberColumns(); ++j) basis.cols.push_back(StatusOfClp(clp.getColumnStatus(j), clo[j], cup[j]));
  for (int i = 0; i < clp.numberRows(); ++i) basis.rows.push_back(StatusOfClp(clp.getRowStatus(i), rlo[i], rup[i]));
  return basis;
}

int WarmStartLimit(const Model& model) { return std::max(100, (model.rows() + model.cols()) / 10); }

ClpAnswer SolveFromBasis(const Model& model, const Basis& start, const std::vector<double>& x, Basis& end,
                         int logLevel) {
  ClpStart from{start, x, end};
  ClpAnswer answer = RunClp(model, logLevel, &from);
  if (from.abandoned)
    answer.notes.push_back(model.path + ": the start took over " + std::to_string(WarmStartLimit(model)) +
                           " iterations or " + std::to_string(static_cast<int>(kWarmStartSeconds)) +
                           " seconds; Clp solved from its own start instead");
  return answer;
}

}  // namespace postsolve
