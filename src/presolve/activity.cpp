// A row's activity bounds over the current column bounds.
#include <cmath>

#include "activity.h"
#include "work.h"

namespace postsolve::presolve {

Activity RowActivity(const WorkLp& lp, EntrySpan row) {
  Activity act;
  for (const auto& [j, a] : row) {
    const double least = LeastTerm(lp, j, a), greatest = GreatestTerm(lp, j, a);
    if (std::isinf(least)) ++act.loInf;
    else act.lo += least, act.loSize += std::fabs(least);
    if (std::isinf(greatest)) ++act.upInf;
    else act.up += greatest, act.upSize += std::fabs(greatest);
  }
  return act;
}

}  // namespace postsolve::presolve
