// The benchmarks' and generators' random numbers: splitmix64, so that the
// same seed gives the same model on every machine.
#pragma once

#include <cstdint>

namespace postsolve::bench {

struct Rng {
  std::uint64_t s;
  std::uint64_t Next() {
    std::uint64_t z = (s += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }  // in [0, 1)
};

}  // namespace postsolve::bench
