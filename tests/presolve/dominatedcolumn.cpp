// DOMCOL: a column whose dual slack cannot change sign at any dual-feasible
// point sits at the bound that sign allows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveDominatedColumn, AtItsLowerBoundOnlyWhenEveryRowAgreesAndTheBoundIsFinite) {
  const auto lp = [](const std::string& r, const std::string& bounds) {
    return LpModel("Minimize\n obj: x + y\nSubject To\n r: " + r + "\n s: x - 2 y <= 2\nBounds\n" + bounds + "End\n");
  };
  // x only in rows with an upper bound and positive entries, its cost >= 0:
  // x at 0; y's entry in s pushes the other way
  const std::string upToFour = " x <= 4\n y <= 4\n";
  const Model model = lp("x + y <= 4", upToFour);
  const Chain chain = RunChain(model, Only(Reduction::DOMCOL));
  EXPECT_EQ(Records(chain.presolved, Reduction::DOMCOL), std::vector<std::string>{"DOMCOL 0 0 1 {0 1 1 1}"});
  ExpectOptimal(model, chain, "x dominated");
  // a row with both bounds, or no finite lower bound to go to
  EXPECT_EQ(Presolve(lp("x + y = 4", upToFour), Only(Reduction::DOMCOL)).count(Reduction::DOMCOL), 0);
  EXPECT_EQ(Presolve(lp("x + y <= 4", " x free\n y <= 4\n"), Only(Reduction::DOMCOL)).count(Reduction::DOMCOL), 0);
}
