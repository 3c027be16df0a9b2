// The Clp run behind SolveWithClp and the warm starts: one sequence of
// simplex calls, from Clp's own start or from a given basis.
#pragma once

#include <vector>

#include <coin/ClpSimplex.hpp>

#include "postsolve/basis.h"
#include "postsolve/solve.h"

namespace postsolve {

// A warm start: the statuses to begin from (with the values of Free
// columns; none for Clp's own start), and the basis Clp ends at.
struct ClpStart {
  const Basis& basis;
  const std::vector<double>& x;
  Basis& end;
  bool abandoned = false;  // the start took more than WarmStartLimit: Clp solved from its own
};

// The most iterations, and seconds of each simplex call, a warm start may
// take before Clp starts afresh: a start that needs more is no better than
// none (a nearly singular start can make every iteration slow).
int WarmStartLimit(const Model& model);
inline constexpr double kWarmStartSeconds = 5;

// Loads `model` (a maximisation turned round), solves it from Clp's own start
// or from `start`, and cleans an optimal basis up unscaled.
ClpAnswer RunClp(const Model& model, int logLevel, ClpStart* start, double timeLimit = 0, const ClpLogSink& sink = {});

// Our statuses into a loaded model, and Clp's out of it.
void StartFrom(ClpSimplex& clp, const ClpStart& start);
Basis BasisOfClp(ClpSimplex& clp);

}  // namespace postsolve
