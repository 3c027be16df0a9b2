// Times the presolver on generated LPs of growing size and prints the
// figures: presolvebench [ENTRIES..] (default 100000 1000000 2000000).
// presolvebench --mps FILE ENTRIES writes an LP of that size instead, as free
// MPS, for timing the whole pipeline (postsolve-kit run) on it: boxed columns
// in rows whose ranges never bind, so that the presolver leaves it whole and
// Clp's first basis is optimal; what is timed is everything around them.
//
// Each model has entries/10 rows and entries/5 columns, feasible by
// construction (every row's bounds are set around its activity at a point
// inside the column bounds), with the structures the reductions look for
// spread through it: empty rows and columns, fixed columns, equality
// singleton and doubleton rows, forcing rows, duplicate columns, shifted and
// reflected bounds. The growth of the time from the first size to the last,
// beside the growth of the entries, shows whether any pass is worse than linear.
#include <chrono>
#include <cstdint>
#include <ctime>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "postsolve/model.h"
#include "splitmix.h"
#include "postsolve/presolve.h"

using namespace postsolve;

namespace {

constexpr double kInf = 1e30;

using bench::Rng;

std::string Named(char letter, long number) {
  std::string name(1, letter);
  name += std::to_string(number);
  return name;
}

Model Generate(long entries) {
  Rng rng{static_cast<std::uint64_t>(entries)};
  Model model;
  model.path = "generated";
  model.name = Named('G', entries);
  const int m = static_cast<int>(entries / 10), n = static_cast<int>(entries / 5);
  std::vector<double> point(n), activity(m, 0.0);
  for (int j = 0; j < n; ++j) {
    model.colNames.push_back(Named('C', j));
    const int kind = rng.Below(20);
    double lo = 0, up = kInf;
    if (kind == 0) lo = up = 2;                  // fixed
    else if (kind == 1) lo = -5, up = 5;         // shifted
    else if (kind == 2) lo = -kInf, up = 8;      // reflected
    else if (kind == 3) up = 10;
    // a tenth of the columns repeat the one before them, doubled (cost too)
    const bool twin = j > 0 && rng.Below(10) == 0 && model.start[j] > model.start[j - 1];
    if (twin) lo = model.clo[j - 1], up = model.cup[j - 1];
    model.clo.push_back(lo);
    model.cup.push_back(up);
    point[j] = lo > -kInf ? lo + (up < kInf ? (up - lo) / 2 : 1) : up - 1;
    // a cost that favours a finite bound, so that an emptied column is not unbounded
    model.cost.push_back((lo > -kInf ? 1 : -1) * (1 + rng.Below(9)));
    if (twin) {
      model.cost[j] = 2 * model.cost[j - 1];
      for (int e = model.start[j - 1]; e < model.start[j]; ++e) {
        model.index.push_back(model.index[e]);
        model.value.push_back(2 * model.value[e]);
      }
    } else {
      const int count = static_cast<int>(std::min<long>(1 + rng.Below(9), entries - static_cast<long>(model.index.size())));
      int row = rng.Below(m);
      for (int e = 0; e < count; ++e) {
        row = (row + 1 + rng.Below(m / count)) % m;  // distinct rows: they advance round once at most
        model.index.push_back(row);
        model.value.push_back((rng.Below(2) ? 1 : -1) * (1 + rng.Below(9)));
      }
    }
    for (int e = model.start[j]; e < static_cast<int>(model.index.size()); ++e)
      activity[model.index[e]] += model.value[e] * point[j];
    model.start.push_back(static_cast<int>(model.index.size()));
  }
  for (int i = 0; i < m; ++i) {
    model.rowNames.push_back(Named('R', i));
    const int kind = rng.Below(4);
    model.rlo.push_back(kind == 0 ? activity[i] : kind == 1 ? -kInf : activity[i] - 1);
    model.rup.push_back(kind == 0 ? activity[i] : kind == 2 ? kInf : activity[i] + 1);
  }
  return model;
}

// Every column in five random rows, coefficients in [-1, 1), bounds [0, u]
// with u in 1..10, a nonzero cost; each row's range holds every activity.
Model GenerateLoose(long entries) {
  Rng rng{static_cast<std::uint64_t>(entries) + 1};
  Model model;
  model.path = "generated";
  model.name = Named('L', entries);
  const int m = static_cast<int>(entries / 10), n = static_cast<int>(entries / 5);
  std::vector<double> reach(m, 0.0);
  for (int j = 0; j < n; ++j) {
    model.colNames.push_back(Named('C', j));
    model.clo.push_back(0);
    model.cup.push_back(1 + rng.Below(10));
    model.cost.push_back((rng.Below(2000) - 1000 + 0.5) / 1000);
    const int base = rng.Below(m);
    for (int k = 0; k < 5; ++k) {
      const int i = (base + k * (m / 5)) % m;  // five rows apart
      const double a = (rng.Below(2000) - 1000) / 1000.0;
      model.index.push_back(i);
      model.value.push_back(a);
      reach[i] += std::abs(a) * model.cup.back();
    }
    model.start.push_back(static_cast<int>(model.index.size()));
  }
  for (int i = 0; i < m; ++i) {
    model.rowNames.push_back(Named('R', i));
    model.rlo.push_back(-reach[i] - 1);
    model.rup.push_back(reach[i] + 1);
  }
  return model;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--mps") {
    const Model model = GenerateLoose(std::atol(argv[3]));
    WriteMps(model, argv[2]);
    std::printf("%s: %d rows, %d columns, %zu entries\n", argv[2], model.rows(), model.cols(), model.index.size());
    return 0;
  }
  std::vector<long> sizes;
  for (int a = 1; a < argc; ++a) sizes.push_back(std::atol(argv[a]));
  if (sizes.empty()) sizes = {100000, 1000000, 2000000};
  double firstTime = 0;
  long firstEntries = 0;
  for (long entries : sizes) {
    const Model model = Generate(entries);
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const PresolveResult result = Presolve(model, PresolveOptions{});
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    long records = 0;
    for (Reduction k : kReductionKinds) records += result.counts[AsInt(k)];
    std::printf("%9ld entries, %7d rows, %7d columns: presolved in %.3f s wall, %.3f s CPU "
                "(%.2f M entries/s of CPU); "
                "%ld reductions, after %d rows, %d columns, %ld entries, log %.1f MB\n",
                static_cast<long>(model.index.size()), model.rows(), model.cols(), secs, cpu,
                static_cast<double>(model.index.size()) / cpu / 1e6, records, result.reduced.rows(),
                result.reduced.cols(), result.entriesAfter, static_cast<double>(result.bin.size()) / 1e6);
    std::printf("          by kind:");
    for (Reduction k : kReductionKinds) std::printf(" %s %ld", ReductionName(k).c_str(), result.counts[AsInt(k)]);
    std::printf("\n");
    if (firstEntries == 0) {
      firstTime = cpu;
      firstEntries = static_cast<long>(model.index.size());
    } else {
      std::printf("          growth from the first size: entries x%.1f, CPU time x%.1f\n",
                  static_cast<double>(model.index.size()) / static_cast<double>(firstEntries), cpu / firstTime);
    }
  }
}
