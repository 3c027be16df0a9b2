// The measures behind check and verify, over the solution as the tools see
// it: walked from a replay (check) or collected on the model's own rows and
// columns (verify).
#pragma once

#include <ostream>

#include "postsolve/check.h"
#include "postsolve/postsolve.h"
#include "walk.h"

namespace postsolve {

CheckResult Check(const FullSolution& sol, const Tolerances& tol);
CheckResult Check(SolutionWalk& walk, const Tolerances& tol);
// c.x over the columns in order: the objective of the log's minimisation.
double Objective(const FullSolution& sol);

// A point of `model`: x and the row duals y in its order, y of its
// minimisation. Activities and dual slacks come from the model's own matrix
// and costs (turned to a minimisation).
FullSolution OnModel(const Model& model, const std::vector<double>& x, const std::vector<double>& y, int status);
// A replayed solution's point on the model's rows and columns, matched by
// name (NameMismatch when they do not match), and where each is in the log.
struct ModelPoint {
  std::vector<double> x, y;
  std::vector<int> rowOf, colOf;
};
ModelPoint PointOnModel(const Solution& sol, const Model& model);
// verify's measures and text for a point of the model, without the log's
// comparison: the measures, then the objective in the model's sense.
VerifyResult MeasureOnModel(const Model& model, const FullSolution& on, const Tolerances& tol);

// verify over a replayed solution and the log's problem copied from it.
VerifyResult Verify(const Solution& sol, const LoggedProblem& logged, const Model& model, const Tolerances& tol);

}  // namespace postsolve
