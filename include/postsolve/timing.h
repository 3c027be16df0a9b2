// Where a long run spends its time: one entry a phase.
#pragma once

#include <string>

namespace postsolve {

struct PhaseTiming {
  std::string name;
  double wall = 0, cpu = 0;  // seconds; cpu counts every thread of the process
  long peakKiB = 0;          // the most resident memory during the phase
};

}  // namespace postsolve
