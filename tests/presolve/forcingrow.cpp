// FORROW: a row its activity bounds hold at one of its own bounds fixes every
// column in it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveForcingRow, ForcedAtEitherSideAndAsAnEquality) {
  // forced at the upper side, at the lower side, and an equality at its least activity
  ExpectKindKeepsOptimum(Reduction::FORROW, 1,
                         "Minimize\n obj: - x + y + z\nSubject To\n f: x + y - z <= 0\n g: x + y + z >= -5\n"
                         "Bounds\n x <= 3\n z <= 0\nEnd\n");
  ExpectKindKeepsOptimum(Reduction::FORROW, 1,
                         "Minimize\n obj: x - y\nSubject To\n f: x + y >= 2\n g: x - y <= 3\n"
                         "Bounds\n x <= 1\n y <= 1\nEnd\n");
  ExpectKindKeepsOptimum(Reduction::FORROW, 1,
                         "Minimize\n obj: x + y\nSubject To\n f: 2 x - y = 6\n g: x + y <= 4\n"
                         "Bounds\n x <= 3\n y <= 5\nEnd\n");
}

TEST(PresolveForcingRow, EachColumnAtItsBoundWithItsOtherRows) {
  // f's greatest activity 1 + 1 meets its lower bound: x and y at their uppers
  const Model model = LpModel("Minimize\n obj: x - y\nSubject To\n f: x + y >= 2\n g: x - y <= 3\n"
                              "Bounds\n x <= 1\n y <= 1\nEnd\n");
  const PresolveResult result = Presolve(model, Only(Reduction::FORROW));
  EXPECT_EQ(Records(result, Reduction::FORROW),
            std::vector<std::string>{"FORROW 0\n  u 0 1 1 1 {1 1}\n  u 1 1 1 -1 {1 -1}\n  e"});
  ASSERT_EQ(result.reduced.rows(), 1);  // g: 1 - 1 moved out of its bound
  EXPECT_EQ(result.reduced.rup[0], 3);
}

TEST(PresolveForcingRow, NotWhereTheActivityMissesTheBoundOrACoefficientIsTiny) {
  // the least activity 0 against an upper bound 0 (met), -5e-10 (above it by
  // less than the tolerance: feasible only within it, the solver's to
  // judge), 5e-10 and 1e-8 (room left: forcing the columns would restrict
  // the LP)
  const auto forced = [](const std::string& row) {
    return Presolve(LpModel("Minimize\n obj: x + y\nSubject To\n " + row + "\n g: x - y >= -5\n"
                            "Bounds\n x <= 3\n y <= 4\nEnd\n"),
                    Only(Reduction::FORROW))
        .count(Reduction::FORROW);
  };
  EXPECT_EQ(forced("f: x + y <= 0"), 1);
  EXPECT_EQ(forced("f: x + y <= -0.0000000005"), 0);
  EXPECT_EQ(forced("f: x + y <= 0.0000000005"), 0);
  EXPECT_EQ(forced("f: x + y <= 0.00000001"), 0);
  EXPECT_EQ(forced("f: x + 0.00000001 y <= 0"), 0);
  // met within the sum's rounding (about 0.4 at 1e15), which is more than
  // y can move it: whether y has room is not known
  const Model rounded = LpModel(
      "Minimize\n obj: x + y\nSubject To\n f: 1000000000000000 x + 0.000001 y <= 1000000000000000\n"
      " g: x - y >= -5\nBounds\n 1 <= x <= 3\n y <= 4\nEnd\n");
  EXPECT_EQ(Presolve(rounded, Only(Reduction::FORROW)).count(Reduction::FORROW), 0);
}
