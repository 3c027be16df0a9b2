// Times the public library's replay of the input set in DIR:
//   libreplay DIR [RUNS]
// postsolve::Replay(DIR) -- the solution file, the offsets, the record file,
// every record undone, the products and the solution's arrays -- one warm-up
// run, then the median of RUNS runs (default 5) in seconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "postsolve/postsolve.h"

int main(int argc, char** argv) {
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  if (argc < 2 || argc > 3 || runs < 1) {
    std::fprintf(stderr, "usage: libreplay DIR [RUNS]\n");
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  std::vector<double> times;
  double checksum = 0;
  try {
    for (int run = 0; run <= runs; ++run) {
      const auto t0 = Clock::now();
      const postsolve::Solution s = postsolve::Replay(argv[1]);
      const auto t1 = Clock::now();
      checksum = s.objective();
      if (run > 0) times.push_back(std::chrono::duration<double>(t1 - t0).count());
    }
  } catch (const postsolve::Error& e) {
    std::fprintf(stderr, "libreplay: %s\n", e.what());
    return 1;
  }
  std::sort(times.begin(), times.end());
  const std::size_t h = times.size() / 2;
  const double median = times.size() % 2 ? times[h] : (times[h - 1] + times[h]) * 0.5;
  std::printf("%.6f %.17g\n", median, checksum);
  return 0;
}
