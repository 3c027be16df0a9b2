// LOWBND and MINBND: lower bounds shifted to 0 and columns with only an upper
// bound reflected about it, once the passes are over.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

namespace {

PresolveOptions Shifts() {
  PresolveOptions options = Only(Reduction::LOWBND);
  options.set(Reduction::MINBND, true);
  return options;
}

}  // namespace

TEST(PresolveBoundShift, AColumnWithOnlyAnUpperBoundIsReflected) {
  // x has only an upper bound: x = 3 - x'
  ExpectKindKeepsOptimum(Reduction::MINBND, 1,
                         "Minimize\n obj: x + 2 y\nSubject To\n r0: x + y >= 1\n r1: x - y <= 2\n"
                         "Bounds\n -inf <= x <= 3\nEnd\n");
}

TEST(PresolveBoundShift, TheReducedLpSeesTheShiftedAndTheReflectedColumn) {
  const Model model = LpModel("Minimize\n obj: x - y\nSubject To\n r: x + y >= 1\nBounds\n 2 <= x <= 5\n"
                              " -inf <= y <= 3\nEnd\n");
  const Chain chain = RunChain(model, Shifts());
  EXPECT_EQ(Records(chain.presolved, Reduction::LOWBND), std::vector<std::string>{"LOWBND 0 2"});
  EXPECT_EQ(Records(chain.presolved, Reduction::MINBND), std::vector<std::string>{"MINBND 1 3"});
  ExpectOptimal(model, chain, "x shifted, y reflected");
  const Model& reduced = chain.presolved.reduced;
  EXPECT_EQ(reduced.clo, (std::vector<double>{0, 0}));
  EXPECT_EQ(reduced.cup, (std::vector<double>{3, INFINITY}));
  EXPECT_EQ(reduced.cost, (std::vector<double>{1, 1}));
  EXPECT_EQ(reduced.value, (std::vector<double>{1, -1}));
  EXPECT_EQ(reduced.rlo[0], -4);  // 1 - 2 - 3
}

TEST(PresolveBoundShift, NoShiftThatTheReplayCouldNotUndoExactly) {
  // (0.9 - 0.2) + 0.2 is not 0.9 in doubles; a zero lower bound or a free
  // column needs nothing
  const PresolveResult result = Presolve(LpModel("Minimize\n obj: x + y + z\nSubject To\n r: x + y + z >= 1\n"
                                                 "Bounds\n 0.2 <= x <= 0.9\n y <= 4\n z free\nEnd\n"),
                                         Shifts());
  EXPECT_EQ(result.count(Reduction::LOWBND), 0);
  EXPECT_EQ(result.count(Reduction::MINBND), 0);
  EXPECT_EQ(result.reduced.clo[0], 0.2);
}

TEST(PresolveBoundShift, NoShiftOfAColumnWithinTheToleranceOfFixed) {
  // x in [-2, -1.9999999991]: shifted, r's bound 55403 would become 1e-6,
  // and the solver's tolerance on r with it; [-2, -1.99] is shifted
  const auto shifts = [](const std::string& up) {
    return Presolve(LpModel("Minimize\n obj: x + y\nSubject To\n r: 27701 x + y = -55403\nBounds\n -2 <= x <= " +
                            up + "\n y <= 4\nEnd\n"),
                    Shifts())
        .count(Reduction::LOWBND);
  };
  EXPECT_EQ(shifts("-1.9999999991"), 0);
  EXPECT_EQ(shifts("-1.99"), 1);
}
