// FIXCOL: a column whose bounds meet within the tolerance leaves at its lower bound.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveFixedColumn, BoundsWithinTheToleranceFixTheColumnAndMoveItsRows) {
  const auto presolve = [](const std::string& upper) {
    return Presolve(LpModel("Minimize\n obj: 3 x + y\nSubject To\n r: 2 x + y >= 5\nBounds\n 1 <= x <= " + upper +
                            "\nEnd\n"),
                    Only(Reduction::FIXCOL));
  };
  const PresolveResult result = presolve("1");
  EXPECT_EQ(Records(result, Reduction::FIXCOL), std::vector<std::string>{"FIXCOL 0 1 3 {0 2}"});
  ASSERT_EQ(result.reduced.rows(), 1);
  EXPECT_EQ(result.reduced.rlo[0], 3);  // 5 - 2 * 1
  // feasTol 1e-9 scaled by 1 + |lower|: 5e-10 apart is fixed, 1e-8 apart is not
  EXPECT_EQ(Records(presolve("1.0000000005"), Reduction::FIXCOL), std::vector<std::string>{"FIXCOL 0 1 3 {0 2}"});
  EXPECT_EQ(presolve("1.00000001").count(Reduction::FIXCOL), 0);
}
