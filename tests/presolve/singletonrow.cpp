// SGLROW: an equality row with one entry fixes its column.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveSingletonRow, TheRecordCarriesTheValueAndTheWholeColumn) {
  const Model model = LpModel("Minimize\n obj: 3 x + y\nSubject To\n e: 2 x = 6\n r: x + y >= 1\n"
                              "Bounds\n x <= 10\nEnd\n");
  const Chain chain = RunChain(model, Only(Reduction::SGLROW));
  // row e fixes x at 6 / 2, with cost 3 and x's entries in e and r
  EXPECT_EQ(Records(chain.presolved, Reduction::SGLROW), std::vector<std::string>{"SGLROW 0 0 3 2 3 {0 2 1 1}"});
  ExpectOptimal(model, chain, "x fixed by e");
  // r: y >= 1 - 3
  ASSERT_EQ(chain.presolved.reduced.rows(), 1);
  EXPECT_EQ(chain.presolved.reduced.rlo[0], -2);
}

TEST(PresolveSingletonRow, AnInequalityOrAPivotBelowTheToleranceIsLeft) {
  for (const char* row : {"e: x <= 3", "e: x >= 3", "e: 0.00000001 x = 0.00000001"}) {
    const std::string lp = std::string("Minimize\n obj: x + y\nSubject To\n ") + row +
                           "\n r: x + y >= 1\nBounds\n x <= 10\nEnd\n";
    EXPECT_EQ(Presolve(LpModel(lp), Only(Reduction::SGLROW)).count(Reduction::SGLROW), 0) << row;
  }
}

TEST(PresolveSingletonRow, AValueJustOutsideTheBoundsIsTheSolversToJudge) {
  // 2 x = 20.000000001 gives x = 10.0000000005, 5e-10 over x <= 10: within
  // the tolerance, but fixing x there would start from an infeasible value;
  // 1e-3 over it, the LP is infeasible.
  const auto singletons = [](const std::string& rhs) {
    return Presolve(LpModel("Minimize\n obj: x + y\nSubject To\n e: 2 x = " + rhs +
                            "\n r: x + y >= 1\nBounds\n x <= 10\nEnd\n"),
                    Only(Reduction::SGLROW))
        .count(Reduction::SGLROW);
  };
  EXPECT_EQ(singletons("20.000000001"), 0);
  EXPECT_EQ(singletons("20"), 1);
  EXPECT_THROW(singletons("20.002"), PostError);
}
