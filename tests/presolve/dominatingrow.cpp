// DOMROW: an equality row that determines a column in no other row, one whose
// bounds the row implies or that has none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveDominatingRow, AFreeColumnAndOneTheRowKeepsInItsBounds) {
  // w is free and only in e; v is only in d, whose other columns keep it in [0, 9]
  ExpectKindKeepsOptimum(Reduction::DOMROW, 2,
                         "Minimize\n obj: x + 2 y + w - v\nSubject To\n e: x + y + 2 w = 4\n d: v + x + y = 9\n"
                         " g: x + y >= 1\nBounds\n w free\n x <= 4\n y <= 5\nEnd\n");
}

TEST(PresolveDominatingRow, TheRowsDualTakesTheCostOffItsOtherColumns) {
  const std::string lp = "Minimize\n obj: x + y + 2 w\nSubject To\n e: x + 2 w = 4\n g: x + y >= 1\n"
                         "Bounds\n x <= 4\n y <= 5\n";
  const PresolveResult result = Presolve(LpModel(lp + " w free\nEnd\n"), Only(Reduction::DOMROW));
  // row 0 determines w (2): b 4, a 2, cost 2, and the row's entries
  EXPECT_EQ(Records(result, Reduction::DOMROW), std::vector<std::string>{"DOMROW 0 2 4 2 2 {0 1 2 2}"});
  // e's dual 2 / 2 comes off x's cost
  ASSERT_EQ(result.reduced.colNames, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(result.reduced.cost[0], 0);
  // e keeps w in [0, 2]: within [0, 3], but not within [0, 1]
  EXPECT_EQ(Presolve(LpModel(lp + " w <= 3\nEnd\n"), Only(Reduction::DOMROW)).count(Reduction::DOMROW), 1);
  EXPECT_EQ(Presolve(LpModel(lp + " w <= 1\nEnd\n"), Only(Reduction::DOMROW)).count(Reduction::DOMROW), 0);
}

TEST(PresolveDominatingRow, NotWhereThePivotsRoundingPassesTheColumnsBound) {
  // e keeps w in [0.005, 1e13 - 1], but w = (b - y) / 4.9e-6 carries b's
  // rounding, 7e-9 at 4.9e7, over a_w: 1.5e-3, past w's tolerance at 0
  const auto rows = [](const std::string& b, const std::string& yUp) {
    return Presolve(LpModel("Minimize\n obj: y + z\nSubject To\n e: 0.000004896884073107112 w + y = " + b +
                            "\n f: y + z <= 30\nBounds\n w <= 10000000000000\n y <= " + yUp + "\nEnd\n"),
                    Only(Reduction::DOMROW))
        .count(Reduction::DOMROW);
  };
  EXPECT_EQ(rows("48919872.890330255", "48919872.89033023"), 0);
  EXPECT_EQ(rows("0.5", "0.4999"), 1);
}
