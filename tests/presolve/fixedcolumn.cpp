// FIXCOL: a column whose bounds are equal leaves at that value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveFixedColumn, EqualBoundsFixTheColumnAndMoveItsRows) {
  const auto presolve = [](const std::string& upper) {
    return Presolve(LpModel("Minimize\n obj: 3 x + y\nSubject To\n r: 2 x + y >= 5\nBounds\n 1 <= x <= " + upper +
                            "\nEnd\n"),
                    Only(Reduction::FIXCOL));
  };
  const PresolveResult result = presolve("1");
  EXPECT_EQ(Records(result, Reduction::FIXCOL), std::vector<std::string>{"FIXCOL 0 1 3 {0 2}"});
  ASSERT_EQ(result.reduced.rows(), 1);
  EXPECT_EQ(result.reduced.rlo[0], 3);  // 5 - 2 * 1
  // bounds merely close are left to the solver (hardnumbers.cpp: what fixing them did)
  EXPECT_EQ(presolve("1.0000000005").count(Reduction::FIXCOL), 0);
}
