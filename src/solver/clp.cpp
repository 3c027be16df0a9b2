// solve: the reduced model through Clp's dual simplex, in process, and the
// reduced solution file every route (Clp, import) ends in.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include <coin/ClpEventHandler.hpp>
#include <coin/ClpSimplex.hpp>
#include <coin/CoinMessageHandler.hpp>

#include "clprun.h"
#include "numfmt.h"
#include "outfile.h"
#include "postsolve/postsolve.h"
#include "postsolve/solve.h"
#include "records.h"
#include "resultdir.h"

namespace postsolve {

void WriteSolutionFile(const std::string& dir, const ReducedSolution& sol) {
  ReplaceResult(dir, [&](ResultTransaction& txn) { StageSolutionFile(txn, sol); });
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

constexpr int kIterationLimit = 1000000;

// The primal simplex after the dual one. The ray the dual simplex keeps after
// an infeasible or unbounded verdict is sized for its own use, and a primal
// solve writes past its end (seen under valgrind): it is dropped first.
void Primal(ClpSimplex& clp, int startup) {
  clp.deleteRay();
  clp.primal(startup);
}

// Clp can loop without end on data near its infinity (bounds of 1e29, say):
// its primal simplex raises an infeasibility weight again and again without
// an iteration, refactorising each time. A solve that progresses
// refactorises every hundred iterations or so: past as many
// factorisations as the iteration limit would allow, the solve stops (Clp's
// status 5, a difficulty).
class RunawayGuard : public ClpEventHandler {
 public:
  int event(Event which) override {
    if (which != endOfFactorization) return -1;
    return ++checks_ > kIterationLimit / 50 ? 0 : -1;
  }
  // Clp's interface: it owns the copy it asks for.
  ClpEventHandler* clone() const override { return std::make_unique<RunawayGuard>(*this).release(); }

 private:
  long checks_ = 0;
};

// Whether the duals Clp ended with have the signs an optimum needs: a dual
// slack of a column (a row) pushes it only towards a bound it has. The dual
// simplex can call optimal an unbounded LP whose free columns ran to its own
// large artificial bound, with duals that fail this.
bool DualsHaveTheirSigns(const ClpSimplex& clp, const std::vector<double>& cost) {
  constexpr double kSignTolerance = 1e-6;
  const double* z = clp.dualColumnSolution();
  for (int j = 0; j < clp.numberColumns(); ++j) {
    const double tol = kSignTolerance * (1 + std::fabs(cost[static_cast<std::size_t>(j)]));
    if ((clp.columnLower()[j] <= -COIN_DBL_MAX && z[j] > tol) || (clp.columnUpper()[j] >= COIN_DBL_MAX && z[j] < -tol))
      return false;
  }
  const double* y = clp.dualRowSolution();
  for (int i = 0; i < clp.numberRows(); ++i)
    if ((clp.rowLower()[i] <= -COIN_DBL_MAX && y[i] > kSignTolerance) ||
        (clp.rowUpper()[i] >= COIN_DBL_MAX && y[i] < -kSignTolerance))
      return false;
  return true;
}

// After a verdict of infeasible or unbounded (or numerical trouble), none of
// which is final:
// either simplex may call an LP unbounded (dual infeasible) before it has a
// feasible point, or infeasible when a column's cost falls without bound.
// Feasibility alone, without the costs, settles the first question (by the
// primal simplex, and the dual one too before it is called infeasible: each
// has called a small feasible LP infeasible, the dual one with free empty
// columns, the primal one with a row whose range is 6e-10). Feasible, the
// primal simplex from the feasible point found, with the costs back, tells
// optimal from unbounded; but where the first verdict was unbounded, an
// optimum needs duals of the right signs to overrule it (the primal simplex
// has called optimal a column whose cost falls without bound, and the dual
// simplex unbounded an LP whose rows held 1e15). Adds the iterations to
// `iterations`.
Status Settle(ClpSimplex& clp, const std::vector<double>& cost, Status verdict, int& iterations) {
  const std::vector<double> none(cost.size(), 0.0);
  clp.chgObjCoefficients(none.data());
  clp.allSlackBasis(true);  // from the start: where the last solve stopped can mislead it too
  Primal(clp, 0);
  iterations += clp.numberIterations();
  if (clp.status() == 1) {
    // Infeasible is the claim that needs both: on rows whose range is below
    // the tolerance either simplex alone can miss a feasible point.
    clp.allSlackBasis(true);
    clp.deleteRay();
    clp.dual();
    iterations += clp.numberIterations();
  }
  const Status feasibility = StatusOfClp(clp.status());
  clp.chgObjCoefficients(cost.data());
  if (feasibility == Status::Infeasible) return Status::Infeasible;
  if (feasibility != Status::Optimal) return Status::Difficulty;  // neither shown
  Primal(clp, 1);
  iterations += clp.numberIterations();
  const Status status = StatusOfClp(clp.status());
  if (verdict == Status::Unbounded && status == Status::Optimal && !DualsHaveTheirSigns(clp, cost)) {
    clp.setProblemStatus(2);
    return Status::Unbounded;
  }
  // infeasible from a feasible point: Clp contradicts itself
  return status == Status::Infeasible ? Status::Difficulty : status;
}

// A column whose range is below Clp's tolerance Clp can leave at either
// bound, whatever the sign of its dual slack: at the bound the slack pushes
// away from, the point is optimal only within that tolerance times the
// slack, which can be large. Such a column is moved to the bound its slack
// pushes towards where that moves no row of it by more than the tolerance,
// taken absolute: a row's bounds here may be another's moved by a shift.
void MoveNearlyFixedColumns(const Model& model, const std::vector<double>& clo, const std::vector<double>& cup,
                            ReducedSolution& sol) {
  const auto scale = [](double a, double b) {
    return std::max({1.0, std::isinf(a) ? 0.0 : std::fabs(a), std::isinf(b) ? 0.0 : std::fabs(b)});
  };
  for (int j = 0; j < model.cols(); ++j) {
    const std::size_t c = static_cast<std::size_t>(j);
    const double lo = clo[c], up = cup[c], range = up - lo;
    if (!(range > 0) || std::fabs(lo) >= COIN_DBL_MAX || std::fabs(up) >= COIN_DBL_MAX ||
        range > kSolverTolerance * scale(lo, up))
      continue;
    const double target = sol.z[c] > 0 ? lo : sol.z[c] < 0 ? up : sol.x[c];
    const double move = target - sol.x[c];
    if (move == 0) continue;
    bool rowsKeep = true;
    for (int q = model.start[c]; q < model.start[c + 1] && rowsKeep; ++q)
      rowsKeep = std::fabs(model.value[static_cast<std::size_t>(q)] * move) <= kSolverTolerance;
    if (rowsKeep) sol.x[c] = target;
  }
}

}  // namespace

ClpAnswer SolveWithClp(const Model& model, int logLevel, double timeLimit, const ClpLogSink& sink) {
  return RunClp(model, logLevel, nullptr, timeLimit, sink);
}

namespace {

// Clp's log on standard error, or line by line to a sink.
class LogHandler : public CoinMessageHandler {
 public:
  explicit LogHandler(const ClpLogSink& sink) : CoinMessageHandler(stderr), sink_(sink) {
    if (sink_) setPrefix(false);
  }
  int print() override {
    if (!sink_) return CoinMessageHandler::print();
    sink_(messageBuffer());
    return 0;
  }

 private:
  const ClpLogSink& sink_;
};

}  // namespace

ClpAnswer RunClp(const Model& model, int logLevel, ClpStart* warm, double timeLimit, const ClpLogSink& sink) {
  CheckModel(model);
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
  // A bound at or beyond 1e30 is none, for Clp as for the log: Clp's own
  // infinity, the largest double.
  std::vector<double> rlo(model.rlo), rup(model.rup), clo(model.clo), cup(model.cup);
  for (std::vector<double>* bounds : {&rlo, &rup, &clo, &cup})
    for (double& b : *bounds)
      if (std::isinf(UnloggedBound(b))) b = std::copysign(COIN_DBL_MAX, b);

  LogHandler handler(sink);  // standard output carries the kit's own lines
  handler.setLogLevel(logLevel);
  ClpSimplex clp;
  clp.passInMessageHandler(&handler);
  // Clp can cycle on badly scaled data without end: a limit makes it a difficulty.
  clp.setMaximumIterations(kIterationLimit);
  const RunawayGuard guard;
  clp.passInEventHandler(&guard);  // Clp keeps a copy
  if (timeLimit > 0) clp.setMaximumSeconds(timeLimit);
  clp.loadProblem(n, m, start.data(), model.index.data(), model.value.data(), clo.data(), cup.data(),
                  cost.data(), rlo.data(), rup.data());
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
    Primal(clp, warm->x.empty() ? 0 : 1);
  } else {
    clp.dual();
  }
  int iterations = clp.numberIterations();
  Status status = StatusOfClp(clp.status());
  // Optimal only for the scaled problem, its duals infeasible once unscaled
  // (Clp's secondary status 3 or 4): the dual simplex calls so an unbounded LP
  // whose free columns ran to its own large bound. The primal simplex from
  // there decides.
  if (status == Status::Optimal && (clp.secondaryStatus() == 3 || clp.secondaryStatus() == 4)) {
    Primal(clp, 1);
    iterations += clp.numberIterations();
    status = StatusOfClp(clp.status());
    // stuck there too (a small free LP has ended so): settled like any other verdict
    if (status != Status::Optimal) status = Settle(clp, cost, status, iterations);
  }
  // Numerical trouble (4) is settled as well: the dual simplex meets it even
  // on small infeasible LPs with empty rows and free columns.
  const auto unsettled = [&] {
    return status == Status::Infeasible || status == Status::Unbounded || clp.status() == 4;
  };
  if (unsettled()) status = Settle(clp, cost, status, iterations);
  if (status == Status::Optimal) {
    // Clp judges feasibility on its scaled problem: a row can end 1e-9 (relative)
    // outside its bound once unscaled. Polishing the optimal basis unscaled
    // (usually no iteration) gives values that sit on their bounds; where the
    // unscaled problem then seems infeasible, that is settled again, unscaled.
    clp.scaling(0);
    clp.dual();
    iterations += clp.numberIterations();
    status = StatusOfClp(clp.status());
    if (unsettled()) status = Settle(clp, cost, status, iterations);
    if (status == Status::Optimal && !DualsHaveTheirSigns(clp, cost)) {
      Primal(clp, 1);
      iterations += clp.numberIterations();
      status = StatusOfClp(clp.status());
      if (status == Status::Optimal && !DualsHaveTheirSigns(clp, cost)) {
        // still: the primal simplex once more, from a slack basis
        clp.allSlackBasis(true);
        Primal(clp, 0);
        iterations += clp.numberIterations();
        status = StatusOfClp(clp.status());
        if (status == Status::Optimal && !DualsHaveTheirSigns(clp, cost)) status = Status::Difficulty;
      }
      if (unsettled()) status = Settle(clp, cost, status, iterations);
    }
  }
  if (fromBasis && clp.status() == 3) {
    const Basis none;
    ClpStart cold{none, warm->x, warm->end};
    ClpAnswer fresh = RunClp(model, logLevel, &cold, timeLimit, sink);
    fresh.iterations += iterations;
    warm->abandoned = true;
    return fresh;
  }

  ReducedSolution& sol = answer.sol;
  sol.status = AsInt(status);
  sol.x.assign(clp.primalColumnSolution(), clp.primalColumnSolution() + n);
  sol.y.assign(clp.dualRowSolution(), clp.dualRowSolution() + m);
  sol.z.assign(clp.dualColumnSolution(), clp.dualColumnSolution() + n);
  if (status == Status::Optimal) MoveNearlyFixedColumns(model, clo, cup, sol);
  answer.iterations = iterations;
  if (warm != nullptr) warm->end = BasisOfClp(clp);
  double objective = 0;
  for (std::size_t j = 0; j < sol.x.size(); ++j) objective = objective + model.cost[j] * sol.x[j];
  answer.objective = objective + model.objOffset;
  if (timeLimit > 0 && clp.status() == 3)
    notes.push_back(model.path + ": Clp stopped at a limit (the time limit is " + CaseDouble(timeLimit) + " s)");
  if (status != Status::Optimal)
    notes.push_back(model.path + " is " + StatusWord(status) +
                    " for Clp; dravfile.sol holds that status and the values Clp ended with");
  return answer;
}

ClpAnswer Solve(const std::string& dir, int logLevel, const std::string& basisPath, double timeLimit) {
  ClpAnswer answer;
  // Read under the result's lock: the solution is of the reduced LP it goes beside.
  ReplaceResult(dir, [&](ResultTransaction& txn) {
    const Model model = ReadModel(dir + "/reduced.mps");
    Basis end;
    answer = basisPath.empty() ? SolveWithClp(model, logLevel, timeLimit)
                               : SolveFromBasis(model, ReadBasisFile(basisPath, model), {}, end, logLevel);
    std::vector<std::string> notes;
    for (const std::string& note : model.notes) notes.push_back(model.path + ": " + note);
    answer.notes.insert(answer.notes.begin(), notes.begin(), notes.end());
    StageSolutionFile(txn, answer.sol);
  });
  return answer;
}

}  // namespace postsolve
