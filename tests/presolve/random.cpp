// Small random LPs through the whole presolver, and what they once found.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "postsolve/solve.h"
#include "presolve_helpers.h"

using namespace presolve_test;

// Small random LPs, feasible by construction, with parallel rows and columns
// planted: wherever Clp finds the whole LP optimal, the chain must too.
TEST(PresolveKinds, RandomSmallLpsKeepTheirOptimum) {
  std::uint64_t state = 12345;
  const auto next = [&](int below) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(below));
  };
  int optimal = 0;
  for (int trial = 0; trial < 400; ++trial) {
    Model model;
    model.path = Numbered("random ", trial);
    const int m = 2 + next(5), n = 2 + next(6);
    std::vector<double> point(n), activity(m, 0.0);
    for (int j = 0; j < n; ++j) {
      model.colNames.push_back(Numbered("c", j));
      const double lo = next(4) - 2.0, width = next(3);
      const int kind = next(6);  // bounded, lower only, upper only, free, fixed, bounded
      model.clo.push_back(kind == 2 || kind == 3 ? -INFINITY : lo);
      model.cup.push_back(kind == 1 || kind == 3 ? INFINITY : kind == 4 ? lo : lo + width);
      point[j] = kind == 2 ? lo + width : lo;
      model.cost.push_back(next(7) - 3.0);
      const bool twin = j > 0 && next(5) == 0;  // twice the column before, cost too
      for (int i = 0; i < m; ++i) {
        const double a = twin ? 2 * [&] {
          for (int e = model.start[j - 1]; e < model.start[j]; ++e)
            if (model.index[e] == i) return model.value[e];
          return 0.0;
        }() : (next(5) < 2 ? next(7) - 3.0 : 0.0);
        if (a == 0) continue;
        model.index.push_back(i);
        model.value.push_back(a);
        activity[i] += a * point[j];
      }
      if (twin) model.cost[j] = 2 * model.cost[j - 1];
      model.start.push_back(static_cast<int>(model.index.size()));
    }
    for (int i = 0; i < m; ++i) {
      model.rowNames.push_back(Numbered("r", i));
      const int kind = next(4);  // E, L, G, range
      model.rlo.push_back(kind == 1 ? -INFINITY : activity[i] - (kind == 0 ? 0 : next(3)));
      model.rup.push_back(kind == 2 ? INFINITY : activity[i] + (kind == 0 ? 0 : next(3)));
    }
    if (SolveWithClp(model, 0).sol.status != 0) continue;  // unbounded
    ++optimal;
    const Chain chain = RunChain(model);
    ExpectOptimal(model, chain, model.path);
  }
  EXPECT_GT(optimal, 200);
}

// What Clp's dual simplex called infeasible after a duplicate column merged
// (found by the random LPs above, with more trials): the solve confirms with
// the primal simplex, which finds the optimum.
TEST(PresolveKinds, AReducedLpTheDualSimplexCallsInfeasibleIsSolved) {
  TempDir dir;
  dir.Write("reduced.mps",
            "NAME unnamed FREE\nROWS\n N  obj\n E  r0\n G  r1\n L  r2\n L  r3\n L  r4\nCOLUMNS\n"
            "    c0 obj -3\n    c0 r3 1\n    c1 obj -3\n    c1 r4 -2\n    c2 obj 3\n"
            "    c2 r2 -1\n    c2 r3 -1\n    c2 r4 2\n    c3 obj -1\n    c3 r1 -1\n    c3 r3 2\n"
            "    c3 r4 -2\n    c4 obj 2\n    c4 r3 3\n    c4 r4 -1\nRHS\n    rhs r2 2\n"
            "    rhs r3 2\nRANGES\n    rng r2 1\nBOUNDS\n FR bnd c0\n UP bnd c1 0\n"
            " LO bnd c1 -1\n FR bnd c2\n UP bnd c3 1\n LO bnd c4 -1\nENDATA\n");
  const ClpAnswer answer = SolveWithClp(ReadModel(dir.File("reduced.mps")), 0);
  EXPECT_EQ(answer.sol.status, 0);
  EXPECT_EQ(answer.objective, -17);
}
