// The reduced LP solved with Clp, in process, and the reduced solution file
// every route (Clp, another solver's answer) ends in.
//
//   postsolve::ClpAnswer a = postsolve::Solve("out");   // out/reduced.mps -> out/dravfile.sol
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "postsolve/logwriter.h"
#include "postsolve/model.h"

namespace postsolve {

struct ClpAnswer {
  ReducedSolution sol;   // in the log's conventions: minimisation, y row duals, z = c - A'y
  double objective = 0;  // in the model's own sense, with its constant
  int iterations = 0;
  // What a user should read: the sense turned round, a verdict other than optimal.
  std::vector<std::string> notes;
};

// Solves `model` with Clp's dual simplex (a model CheckModel refuses throws
// Error first). A verdict of infeasible or unbounded, or numerical trouble,
// is settled by a feasibility solve without the costs: infeasible stays, a
// feasible LP is unbounded when the verdict said so, else the primal simplex
// decides. An optimal basis is polished unscaled so that values sit on their
// bounds, and checked again by the primal simplex when its duals have the
// wrong signs. A maximising
// model is solved as the minimisation of its negated costs, whose duals the
// answer holds. Clp's own log goes to standard error at `logLevel` (0 quiet).
// With `timeLimit` seconds (0: none) Clp stops there, and the answer's status
// says a limit was reached (a difficulty). With a `sink`, Clp's log lines go
// to it instead, one at a time and without their message codes (for a
// progress display).
using ClpLogSink = std::function<void(const std::string& line)>;
ClpAnswer SolveWithClp(const Model& model, int logLevel = 0, double timeLimit = 0, const ClpLogSink& sink = {});

// Replaces DIR/dravfile.sol as one transaction on DIR's result (the report
// of DIR's log goes, as stale). Throws Error for an empty DIR.
void WriteSolutionFile(const std::string& dir, const ReducedSolution& sol);

// Solves DIR/reduced.mps (its order is the reduced order) and writes
// DIR/dravfile.sol, whatever Clp's verdict; the status says it. With
// `basisPath`, Clp starts from that MPS basis file (basis.h) by the primal
// simplex. Holds DIR's lock from the read to the write, as WriteSolutionFile
// replaces it.
ClpAnswer Solve(const std::string& dir, int logLevel = 0, const std::string& basisPath = "", double timeLimit = 0);

}  // namespace postsolve
