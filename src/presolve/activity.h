// A row's activity bounds over the column bounds: what the forcing and the
// dominating row compare with the row's own bounds.
#pragma once

#include <cstddef>
#include <limits>

#include "rounding.h"
#include "work.h"

namespace postsolve::presolve {

// The least and greatest value a row's activity can take over the column
// bounds: the finite part of each, and how many terms are infinite.
struct Activity {
  double lo = 0, up = 0;
  int loInf = 0, upInf = 0;
  double loSize = 0, upSize = 0;  // the sums of the finite terms' magnitudes
};

// Column j's term a * x_j at its least and at its greatest.
inline double LeastTerm(const WorkLp& lp, int j, double a) { return a * (a > 0 ? lp.clo[j] : lp.cup[j]); }
inline double GreatestTerm(const WorkLp& lp, int j, double a) { return a * (a > 0 ? lp.cup[j] : lp.clo[j]); }

Activity RowActivity(const WorkLp& lp, EntrySpan row);

}  // namespace postsolve::presolve
