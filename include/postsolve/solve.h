// The reduced LP solved with Clp, in process, and the reduced solution file
// every route (Clp, another solver's answer) ends in.
//
//   postsolve::ClpAnswer a = postsolve::Solve("out");   // out/reduced.mps -> out/dravfile.sol
#pragma once

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

// Solves `model` with Clp's dual simplex (a verdict of infeasible or
// unbounded checked by the primal simplex from where it stopped; an optimal
// basis polished unscaled so that values sit on their bounds). A maximising
// model is solved as the minimisation of its negated costs, whose duals the
// answer holds. Clp's own log goes to standard error at `logLevel` (0 quiet).
ClpAnswer SolveWithClp(const Model& model, int logLevel = 0);

// Writes DIR/dravfile.sol beside itself and renames it into place.
void WriteSolutionFile(const std::string& dir, const ReducedSolution& sol);

// Solves DIR/reduced.mps (its order is the reduced order) and writes
// DIR/dravfile.sol, whatever Clp's verdict; the status says it. With
// `basisPath`, Clp starts from that MPS basis file (basis.h) by the primal simplex.
ClpAnswer Solve(const std::string& dir, int logLevel = 0, const std::string& basisPath = "");

}  // namespace postsolve
