// DUPROW: a row that is an exact multiple of an equality row loses its entries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveDuplicateRows, AMultipleOfAnEqualityKeepsTheOptimum) {
  ExpectKindKeepsOptimum(Reduction::DUPROW, 1,
                         "Minimize\n obj: - x - y\nSubject To\n e: x + 2 y = 4\n s: 2 x + 4 y <= 10\n t: x - y <= 1\n"
                         "Bounds\n x <= 10\n y <= 10\nEnd\n");
}

TEST(PresolveDuplicateRows, TheFactorIsRecordedAndTheOtherRowsBoundsMove) {
  const auto presolve = [](const std::string& e, const std::string& s) {
    return Presolve(LpModel("Minimize\n obj: - x - y\nSubject To\n e: " + e + "\n s: " + s +
                            "\nBounds\n x <= 10\n y <= 10\nEnd\n"),
                    Only(Reduction::DUPROW));
  };
  const PresolveResult result = presolve("x + 2 y = 4", "2 x + 4 y <= 10");
  EXPECT_EQ(Records(result, Reduction::DUPROW), std::vector<std::string>{"DUPROW 0 1 2"});
  // s stays, empty, with its upper bound 10 - 2 * 4
  ASSERT_EQ(result.reduced.rows(), 2);
  EXPECT_EQ(result.reduced.rup[1], 2);
  EXPECT_EQ(result.reduced.value.size(), 2u);
  // neither an equality, or not an exact multiple
  EXPECT_EQ(presolve("x + 2 y <= 4", "2 x + 4 y <= 10").count(Reduction::DUPROW), 0);
  EXPECT_EQ(presolve("x + 2 y = 4", "2 x + 4.000001 y <= 10").count(Reduction::DUPROW), 0);
}
