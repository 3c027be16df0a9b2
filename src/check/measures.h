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

// verify over a replayed solution and the log's problem copied from it.
VerifyResult Verify(const Solution& sol, const LoggedProblem& logged, const Model& model, const Tolerances& tol);

}  // namespace postsolve
