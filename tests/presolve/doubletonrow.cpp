// DBLROW: an equality row of two columns, one of them in no other row,
// eliminates that column and moves its bounds onto the other.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

namespace {

// x is only in e, so y takes the bounds [6, 10] from x in [0, 4].
const std::string kDoubleton = "Subject To\n e: x + y = 10\n f: y + z <= 8\nBounds\n x <= 4\n y <= 20\nEnd\n";

}  // namespace

TEST(PresolveDoubletonRow, EveryWayTheOtherColumnEndsKeepsTheOptimum) {
  // The objectives leave y at either implied bound (the row binding) or
  // between them (not binding), or eliminate x at its own bounds.
  for (const char* objective : {"Minimize\n obj: y + z\n", "Maximize\n obj: y\n", "Maximize\n obj: y + z\n",
                                "Minimize\n obj: 2 x + y\n", "Minimize\n obj: - x - y\n"})
    ExpectKindKeepsOptimum(Reduction::DBLROW, 1, objective + kDoubleton);
}

TEST(PresolveDoubletonRow, TheRecordFlagsTheBoundsItMovesAndCarriesTheOtherColumn) {
  const PresolveResult result =
      Presolve(LpModel("Minimize\n obj: 2 x + y + z\n" + kDoubleton), Only(Reduction::DBLROW));
  // row 0 eliminates x (0) into y (1): b 10, a 1 and 1, costs 2 and 1, both
  // bounds implied, y's entries outside e
  EXPECT_EQ(Records(result, Reduction::DBLROW), std::vector<std::string>{"DBLROW 0 0 1 10 1 1 2 1 1 6 1 10 {1 1}"});
  // y in [6, 10] with the cost 1 - 2 * 1 / 1
  ASSERT_EQ(result.reduced.colNames, (std::vector<std::string>{"y", "z"}));
  EXPECT_EQ(result.reduced.clo[0], 6);
  EXPECT_EQ(result.reduced.cup[0], 10);
  EXPECT_EQ(result.reduced.cost[0], -1);
}

TEST(PresolveDoubletonRow, NotWhenTheOtherColumnWouldBeFixedOrAPivotIsTiny) {
  const auto rows = [](const std::string& e, const std::string& bounds) {
    return Presolve(LpModel("Minimize\n obj: y + z\nSubject To\n e: " + e + "\n f: y + z <= 30\nBounds\n x <= 4\n" +
                            bounds + "End\n"),
                    Only(Reduction::DBLROW))
        .count(Reduction::DBLROW);
  };
  EXPECT_EQ(rows("x + y = 10", " y <= 20\n"), 1);
  // y in [10, 20] meets the implied [6, 10] at 10 only
  EXPECT_EQ(rows("x + y = 10", " 10 <= y <= 20\n"), 0);
  // nor within the solver's tolerance of it: the implied [9.99999999, 10]
  EXPECT_EQ(rows("x + y = 10", " 9.99999999 <= y <= 20\n"), 0);
  EXPECT_EQ(rows("x + y = 10", " 9.99 <= y <= 20\n"), 1);
  // x in [0, 1e13] = (b - y) / 0.000004896884073107112 carries b's
  // rounding, 7e-9 at 4.9e7, over a_x: x would miss its bound 0 by 1.5e-3
  const auto smallPivot = [](const std::string& b) {
    return Presolve(LpModel("Minimize\n obj: y + z\nSubject To\n e: 0.000004896884073107112 x + y = " + b +
                            "\n f: y + z <= 30\nBounds\n x <= 10000000000000\nEnd\n"),
                    Only(Reduction::DBLROW))
        .count(Reduction::DBLROW);
  };
  EXPECT_EQ(smallPivot("48919872.890330255"), 0);
  EXPECT_EQ(smallPivot("0.5"), 1);
  // x without an upper bound gives a free y the bound y <= 10 alone: a range without end
  EXPECT_EQ(Presolve(LpModel("Minimize\n obj: y + z\nSubject To\n e: x + y = 10\n f: y + z <= 30\n"
                             "Bounds\n y free\nEnd\n"),
                     Only(Reduction::DBLROW))
                .count(Reduction::DBLROW),
            1);
  EXPECT_EQ(rows("0.00000001 x + y = 10", " y <= 20\n"), 0);
  EXPECT_EQ(rows("x + 0.00000001 y = 10", " y <= 20\n"), 0);
}

TEST(PresolveKinds, ALongColumnInManyDoubletonRowsIsNotWrittenAgainForEach) {
  // k is in 2000 rows x_i + k = 1 with x_i free: each row eliminates x_i and
  // leaves k's bounds alone, so the replay never reads k's list.
  constexpr int kRows = 2000;
  Model model;
  model.path = "doubletons";
  for (int i = 0; i < kRows; ++i) {
    model.rowNames.push_back(Numbered("r", i));
    model.rlo.push_back(1);
    model.rup.push_back(1);
    model.colNames.push_back(Numbered("x", i));
    model.clo.push_back(-INFINITY);
    model.cup.push_back(INFINITY);
    model.cost.push_back(0);
    model.index.push_back(i);
    model.value.push_back(1);
    model.start.push_back(i + 1);
  }
  model.colNames.push_back("k");
  model.clo.push_back(0);
  model.cup.push_back(10);
  model.cost.push_back(1);
  for (int i = 0; i < kRows; ++i) {
    model.index.push_back(i);
    model.value.push_back(1);
  }
  model.start.push_back(2 * kRows);
  const Chain chain = RunChain(model, Only(Reduction::DBLROW));
  EXPECT_EQ(chain.presolved.count(Reduction::DBLROW), kRows);
  EXPECT_TRUE(chain.check.pass()) << Measures(chain.check);
  // the log grows with the entries, not with their square
  EXPECT_LT(chain.presolved.bin.size(), 200u * kRows);
}
