// Times the three phases of a run through the library, in the current
// directory (which holds the three input files):
//   phases [RUNS]
// replay   ReplayLog: reading the solution, the offsets and the record file,
//          and undoing every record
// products GetActv: row activities and A'y - c over the full matrix
// report   OutRept: the report file, names read from the record file
// Each phase is timed with a steady clock; one warm-up run, then the median
// of RUNS runs (default 5) is printed in seconds, one phase a line.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "report.h"

using namespace postsolve;
using enum postsolve::RecordCode;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t h = v.size() / 2;
  return v.size() % 2 ? v[h] : (v[h - 1] + v[h]) * 0.5;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  if (argc > 2 || runs < 1) {
    std::fprintf(stderr, "usage: phases [RUNS]\n");
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  auto secs = [](Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
  };
  std::vector<double> replay, products, report, total;
  try {
    for (int run = 0; run <= runs; ++run) {
      PostData pd;
      const auto t0 = Clock::now();
      ReplayLog(pd);
      const auto t1 = Clock::now();
      GetActv(pd);
      const auto t2 = Clock::now();
      OutRept(pd);
      const auto t3 = Clock::now();
      if (run == 0) continue;  // warm-up
      replay.push_back(secs(t0, t1));
      products.push_back(secs(t1, t2));
      report.push_back(secs(t2, t3));
      total.push_back(secs(t0, t3));
    }
  } catch (const PostError& e) {
    std::fprintf(stderr, "phases: %s\n", e.what());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "phases: out of memory\n");
    return 1;
  }
  const double all = Median(total);
  auto line = [&](const char* name, const std::vector<double>& v) {
    const double t = Median(v);
    std::printf("%-9s %8.3f s  %5.1f %%\n", name, t, all > 0 ? 100.0 * t / all : 0.0);
  };
  line("replay", replay);
  line("products", products);
  line("report", report);
  line("total", total);
  return 0;
}
