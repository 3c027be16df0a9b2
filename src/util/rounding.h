// How far a floating-point sum can be from the exact one.
#pragma once

#include <cstddef>
#include <limits>

namespace postsolve {

// The bound on the rounding of a sum of `terms` terms whose magnitudes add to
// `size`, summed in any order.
inline double SumRounding(double size, std::size_t terms) {
  return static_cast<double>(terms) * std::numeric_limits<double>::epsilon() * size;
}

}  // namespace postsolve
