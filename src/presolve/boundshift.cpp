// LOWBND and MINBND: the bound shifts and reflections that Finish makes once
// the passes are over, before the reduced LP is read off.
#include <algorithm>
#include <cmath>

#include "work.h"

namespace postsolve::presolve {

namespace {
// The largest lower bound shifted to 0: its rounding, 1e6 * 2^-53 (1e-10),
// is what x' + l can lose of x.
constexpr double kLargestShift = 1e6;
}  // namespace

// Last of all: a finite lower bound l != 0 is shifted to 0 (x = x' + l), and a
// column with only an upper bound u is reflected (x = u - x'); each only
// where its rows' bounds, moved by -a*l (or -a*u), give back their own
// values exactly once the replay adds a*l back.
void Presolver::ShiftBounds() {
  for (int j = 0; j < lp_.n; ++j) {
    if (!lp_.colLive[j]) continue;
    const double lo = lp_.clo[j], up = lp_.cup[j];
    double shift;
    if (on(LOWBND) && !std::isinf(lo) && lo != 0) {
      // the replay adds l back: shift only when that restores u exactly
      if (!std::isinf(up) && ((up - lo) + lo != up || up - lo >= kLargestFinite)) continue;
      // and x' + l keeps x to within rounding of |l|: a large l would leave
      // a small x, and the rows it is in, with l's rounding
      if (std::fabs(lo) > kLargestShift) continue;
      // nor a column within the solver's tolerance of fixed: shifted, its
      // rows' bounds lose the size that scaled their tolerance, and what a
      // solver makes of the column's sliver of range changes with it
      if (up - lo <= kSolverTolerance * std::max(1.0, std::fabs(lo))) continue;
      if (!lp_.MovesRowBoundsFaithfully(j, lo, 0)) continue;
      log_.LowerBound(j, lo);
      lp_.clo[j] = 0;
      lp_.cup[j] = up - lo;
      shift = lo;
    } else if (on(MINBND) && std::isinf(lo) && !std::isinf(up) && lp_.MovesRowBoundsFaithfully(j, up, 0)) {
      log_.MinusBound(j, up);
      lp_.clo[j] = 0;
      lp_.cup[j] = kInf;
      lp_.sign[j] = -1;
      lp_.cost[j] = -lp_.cost[j];
      shift = up;
    } else {
      continue;
    }
    for (const auto& [i, a] : lp_.Col(j)) {
      lp_.rlo[i] = lp_.rlo[i] - a * shift;
      lp_.rup[i] = lp_.rup[i] - a * shift;
    }
  }
}

}  // namespace postsolve::presolve
