// NULCOL: a column in no row goes at the bound its cost prefers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

namespace {

// y to 7, z to -4 (the model maximises)
const std::string kEmptyColumns = "Maximize\n obj: 3 y - 2 z + w\nSubject To\n r0: w + v >= 1\n"
                                  "Bounds\n 0 <= y <= 7\n -4 <= z <= 5\n w <= 10\n v free\nEnd\n";

}  // namespace

TEST(PresolveNullColumn, EmptyColumnsOfAMaximisationKeepTheOptimum) {
  ExpectKindKeepsOptimum(Reduction::NULCOL, 2, kEmptyColumns);
}

TEST(PresolveNullColumn, EachAtTheBoundItsNegatedCostPrefersWithThatCost) {
  const PresolveResult result = Presolve(LpModel(kEmptyColumns), Only(Reduction::NULCOL));
  // minimising -3 y + 2 z: y at its upper bound, z at its lower
  EXPECT_EQ(Records(result, Reduction::NULCOL), (std::vector<std::string>{"NULCOL 0 7 -3", "NULCOL 1 -4 2"}));
  EXPECT_EQ(result.reduced.colNames, (std::vector<std::string>{"w", "v"}));
}
