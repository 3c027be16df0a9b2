// DUPCOL: a column that is an exact multiple of another, cost included,
// merges into it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveDuplicateColumns, MultiplesOfEitherSignKeepTheOptimum) {
  // y = 2x, z = -x, u = -2x
  ExpectKindKeepsOptimum(Reduction::DUPCOL, 3,
                         "Minimize\n obj: x + 2 y - z - 2 u\nSubject To\n r: x + 2 y - z - 2 u >= 2\n"
                         " s: 3 x + 6 y - 3 z - 6 u <= 12\nBounds\n x <= 1\n y <= 2\n z <= 3\nEnd\n");
}

TEST(PresolveDuplicateColumns, TheRecordKeepsBothColumnsBoundsAnInfiniteOneAsTheLogsInfinity) {
  const auto presolve = [](const std::string& objective) {
    return Presolve(LpModel("Minimize\n obj: " + objective + "\nSubject To\n r: x + 2 y >= 2\n s: 3 x + 6 y <= 12\n"
                            "Bounds\n x <= 1\nEnd\n"),
                    Only(Reduction::DUPCOL));
  };
  const PresolveResult result = presolve("x + 2 y");
  // y (1) = 2 x (0) merges into x: y in [0, inf), x in [0, 1]
  EXPECT_EQ(Records(result, Reduction::DUPCOL), std::vector<std::string>{"DUPCOL 1 0 2 0 1e+30 0 1"});
  ASSERT_EQ(result.reduced.cols(), 1);
  EXPECT_EQ(result.reduced.clo[0], 0);
  EXPECT_EQ(result.reduced.cup[0], INFINITY);
  // the costs are not in the columns' ratio
  EXPECT_EQ(presolve("x + 3 y").count(Reduction::DUPCOL), 0);
}

TEST(PresolveDuplicateColumns, NotWhereSplittingTheMergedValueWouldRoundPastABound) {
  // y = 2 x, merged as x + 2 y: with y up to 1e12 the merged value's rounding
  // (4e-4) would put x outside [-1, -0.9999999997]; with y up to 10 it is exact
  const auto merges = [](const std::string& yUp) {
    return Presolve(LpModel("Minimize\n obj: x + 2 y\nSubject To\n r: x + 2 y + z <= 10\n s: z >= 1\nBounds\n"
                            " -1 <= x <= -0.9999999997\n -1 <= y <= " + yUp + "\nEnd\n"),
                    Only(Reduction::DUPCOL))
        .count(Reduction::DUPCOL);
  };
  EXPECT_EQ(merges("1000000000000"), 0);
  EXPECT_EQ(merges("10"), 1);
}

TEST(PresolveDuplicateColumns, FoundWhateverTheOrderOfTheirEntries) {
  // y = 2 x with y's entries listed from the last row up; z shares x's
  // pattern but not its ratios
  Model model;
  model.path = "order.mps";
  model.rowNames = {"r", "s", "t"};
  model.rlo = {1, 1, 1};
  model.rup = {10, 10, 10};
  model.colNames = {"x", "y", "z"};
  model.clo = {0, 0, 0};
  model.cup = {1, 1, 1};
  model.cost = {1, 2, 1};
  model.start = {0, 3, 6, 9};
  model.index = {0, 1, 2, 2, 0, 1, 0, 1, 2};
  model.value = {1, 2, 3, 6, 2, 4, 1, 2, 3.0000001};
  const PresolveResult result = Presolve(model, Only(Reduction::DUPCOL));
  EXPECT_EQ(Records(result, Reduction::DUPCOL), std::vector<std::string>{"DUPCOL 1 0 2 0 1 0 1"});
}
