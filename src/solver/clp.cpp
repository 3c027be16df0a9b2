// solve: the reduced model through Clp's dual simplex, in process, and the
// reduced solution file every route (Clp, import) ends in.

#include <cstdio>
#include <limits>

#include <coin/ClpSimplex.hpp>
#include <coin/CoinMessageHandler.hpp>

#include "clprun.h"
#include "outfile.h"
#include "postsolve/postsolve.h"
#include "postsolve/solve.h"
#include "records.h"

namespace postsolve {

void WriteSolutionFile(const std::string& dir, const ReducedSolution& sol) {
  ReplaceFile(dir + "/" + SOLFILE, SolutionFileBytes(sol));
}

namespace {

// Clp's status: -1 not solved, 0 optimal, 1 primal infeasible, 2 dual
// infeasible (unbounded), 3 a limit reached, 4 numerical trouble, 5 stopped
// by an event; ours ends at 3, a difficulty.
Status StatusOfClp(int clpStatus) {
  switch (clpStatus) {
    case -1: return Status::Unsolved;
    case 0: return Status::Optimal;
    case 1: return Status::Infeasible;
    case 2: return Status::Unbounded;
    default: return Status::Difficulty;
  }
}

}  // namespace

ClpAnswer SolveWithClp(const Model& model, int logLevel) { return RunClp(model, logLevel, nullptr); }

ClpAnswer RunClp(const Model& model, int logLevel, ClpStart* warm) {
  ClpAnswer answer;
  std::vector<std::string>& notes = answer.notes;
  const int m = model.rows(), n = model.cols();
  // The log's problems minimise; a maximising model is solved turned round.
  const double sense = model.maximise ? -1 : 1;
  std::vector<double> cost(model.cost);
  for (double& c : cost) c = sense * c;
  if (model.maximise)
    notes.push_back(model.path + " maximises: solved as the minimisation of its negated costs, "
                                 "whose duals dravfile.sol holds");
  std::vector<CoinBigIndex> start(model.start.begin(), model.start.end());

  CoinMessageHandler handler(stderr);  // standard output carries the kit's own lines
  handler.setLogLevel(logLevel);
  ClpSimplex clp;
  clp.passInMessageHandler(&handler);
  clp.loadProblem(n, m, start.data(), model.index.data(), model.value.data(), model.clo.data(),
                  model.cup.data(), cost.data(), model.rlo.data(), model.rup.data());
  const bool fromBasis = warm != nullptr && !warm->basis.cols.empty();
  if (fromBasis) {
    // From a given basis, whose point is primal feasible or nearly: the
    // primal simplex; with the point's own values, a values pass first, which
    // takes values off a vertex to one in few pivots. A start that needs more
    // than WarmStartLimit iterations, here or in the clean-up below, is
    // abandoned for Clp's own.
    StartFrom(clp, *warm);
    clp.setMaximumIterations(WarmStartLimit(model));
    clp.setMaximumSeconds(kWarmStartSeconds);
    clp.primal(warm->x.empty() ? 0 : 1);
  } else {
    clp.dual();
  }
  int iterations = clp.numberIterations();
  if (clp.status() == 1 || clp.status() == 2) {
    // The dual simplex can call a small feasible LP with free columns
    // infeasible; the primal simplex, from where it stopped, confirms or not.
    clp.primal(1);
    iterations += clp.numberIterations();
  }
  if (clp.status() == 0) {
    // Clp judges feasibility on its scaled problem: a row can end 1e-9 (relative)
    // outside its bound once unscaled. Polishing the optimal basis unscaled
    // (usually no iteration) gives values that sit on their bounds.
    clp.scaling(0);
    clp.dual();
    iterations += clp.numberIterations();
  }
  if (fromBasis && clp.status() == 3) {
    const Basis none;
    ClpStart cold{none, warm->x, warm->end};
    ClpAnswer fresh = RunClp(model, logLevel, &cold);
    fresh.iterations += iterations;
    warm->abandoned = true;
    return fresh;
  }

  ReducedSolution& sol = answer.sol;
  const Status status = StatusOfClp(clp.status());
  sol.status = AsInt(status);
  sol.x.assign(clp.primalColumnSolution(), clp.primalColumnSolution() + n);
  sol.y.assign(clp.dualRowSolution(), clp.dualRowSolution() + m);
  sol.z.assign(clp.dualColumnSolution(), clp.dualColumnSolution() + n);
  answer.iterations = iterations;
  if (warm != nullptr) warm->end = BasisOfClp(clp);
  double objective = 0;
  for (std::size_t j = 0; j < sol.x.size(); ++j) objective = objective + model.cost[j] * sol.x[j];
  answer.objective = objective + model.objOffset;
  if (status != Status::Optimal)
    notes.push_back(model.path + " is " + StatusWord(status) +
                    " for Clp; dravfile.sol holds that status and the values Clp ended with");
  return answer;
}

ClpAnswer Solve(const std::string& dir, int logLevel, const std::string& basisPath) {
  const Model model = ReadModel(dir + "/reduced.mps");
  Basis end;
  ClpAnswer answer = basisPath.empty() ? SolveWithClp(model, logLevel)
                                       : SolveFromBasis(model, ReadBasisFile(basisPath, model), {}, end, logLevel);
  std::vector<std::string> notes;
  for (const std::string& note : model.notes) notes.push_back(model.path + ": " + note);
  answer.notes.insert(answer.notes.begin(), notes.begin(), notes.end());
  WriteSolutionFile(dir, answer.sol);
  return answer;
}

}  // namespace postsolve
