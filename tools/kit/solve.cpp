// solve: the reduced model through Clp's dual simplex, in process, and the
// reduced solution file every route (Clp, import) ends in.

#include <cstdio>
#include <limits>

#include <coin/ClpSimplex.hpp>
#include <coin/CoinMessageHandler.hpp>

#include "bridge.h"
#include "casefile.h"
#include "outfile.h"
#include "postdata.h"

namespace postsolve::kit {

void WriteSolutionFile(const std::string& dir, const ReducedSolution& sol) {
  const auto nc = static_cast<int>(sol.x.size()), nr = static_cast<int>(sol.y.size());
  ReplaceFile(dir + "/" + SOLFILE, SolutionBytes(sol.status, nc, nr, sol.x, sol.y, sol.z));
}

namespace {

// Clp's status: -1 not solved, 0 optimal, 1 primal infeasible, 2 dual
// infeasible (unbounded), 3 a limit reached, 4 numerical trouble, 5 stopped
// by an event; ours ends at 3, a difficulty.
int StatusOfClp(int clpStatus) {
  if (clpStatus >= -1 && clpStatus <= 2) return clpStatus;
  return 3;
}

}  // namespace

ClpAnswer SolveWithClp(const Model& model, int logLevel, std::vector<std::string>& notes) {
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
  clp.dual();

  ClpAnswer answer;
  ReducedSolution& sol = answer.sol;
  sol.status = StatusOfClp(clp.status());
  sol.x.assign(clp.primalColumnSolution(), clp.primalColumnSolution() + n);
  sol.y.assign(clp.dualRowSolution(), clp.dualRowSolution() + m);
  sol.z.assign(clp.dualColumnSolution(), clp.dualColumnSolution() + n);
  answer.iterations = clp.numberIterations();
  double objective = 0;
  for (std::size_t j = 0; j < sol.x.size(); ++j) objective = objective + model.cost[j] * sol.x[j];
  answer.objective = objective + model.objOffset;
  if (sol.status != 0)
    notes.push_back(model.path + " is " + StatusWord(sol.status) +
                    " for Clp; dravfile.sol holds that status and the values Clp ended with");
  return answer;
}

}  // namespace postsolve::kit
