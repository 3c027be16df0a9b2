// Hard numbers: bounds 1e-10 apart beside coefficients of 1e6, lower bounds
// of 1e15, an unbounded column in an infeasible LP. Each reduction is made
// only where it keeps the LP's optimum, and the verdicts are the LP's own.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "postsolve/solve.h"
#include "presolve_helpers.h"

using namespace presolve_test;

namespace {

Model MpsModel(const TempDir& dir, const std::string& text) {
  dir.Write("model.mps", text);
  return ReadModel(dir.File("model.mps"));
}

}  // namespace

// c0's bounds are 5e-10 apart; fixing it at either moves c3 through r1, and
// c3's coefficient of 1e6 in r0 turns that into 8e-5: the LP was once called
// infeasible, or solved 3e-3 from its optimum.
TEST(PresolveHardNumbers, BoundsCloserThanTheToleranceFixNoColumn) {
  const TempDir dir;
  const Model model = MpsModel(dir,
                               "NAME A FREE\nROWS\n N obj\n G r0\n E r1\nCOLUMNS\n c0 r0 -7.9 r1 1.5\n c1 r0 1\n"
                               " c2 r0 0.25\n c3 r0 -1000000 r1 3\nRHS\n rhs r0 -999992.6000000739 r1 1.50000000025\n"
                               "BOUNDS\n UP bnd c0 -0.9999999995\n LO bnd c0 -1\n MI bnd c1\n UP bnd c1 -2\n"
                               " UP bnd c2 6\nENDATA\n");
  const Chain chain = RunChain(model);
  EXPECT_EQ(chain.presolved.count(Reduction::FIXCOL), 0);
  ExpectOptimal(model, chain, "c0 in [-1, -0.9999999995]");
  EXPECT_NEAR(chain.objective, DirectObjective(model), 1e-9 * std::fabs(chain.objective));
}

// 28.09532058083333 - (-1e15) rounds to a multiple of 0.125: the replay would
// add -1e15 back to 28.125, and the optimum would be 7 * 28.125.
TEST(PresolveHardNumbers, NoLowerBoundShiftThatRoundsTheRowsBounds) {
  const Model model = LpModel("Minimize\n obj: 7 c0\nSubject To\n r0: c0 >= 28.09532058083333\n"
                              "Bounds\n c0 >= -1e15\nEnd\n");
  PresolveOptions shifts = Only(Reduction::LOWBND);
  const Chain chain = RunChain(model, shifts);
  EXPECT_EQ(chain.presolved.count(Reduction::LOWBND), 0);
  ExpectOptimal(model, chain, "c0 >= -1e15");
  EXPECT_EQ(chain.objective, 7 * 28.09532058083333);
  // a shift whose rows come back exactly is still made, where l is not so
  // large that x' + l rounds x (by 0.125 at 1e15)
  const auto shifted = [&](const std::string& lower) {
    return RunChain(LpModel("Minimize\n obj: 7 c0\nSubject To\n r0: c0 >= 28.5\nBounds\n c0 >= " + lower + "\nEnd\n"),
                    shifts)
        .presolved.count(Reduction::LOWBND);
  };
  EXPECT_EQ(shifted("-100000"), 1);
  EXPECT_EQ(shifted("-1e15"), 0);
}

// A column in no row whose cost falls without bound makes the LP unbounded
// only if the rest is feasible: here it is not, and the LP is infeasible.
TEST(PresolveHardNumbers, InfeasibilityComesBeforeAnUnboundedColumn) {
  const Model model = LpModel("Minimize\n obj: - x\nSubject To\n r: a + b >= 3\n s: a + 2 b <= 1\n"
                              "Bounds\n 0 <= a <= 5\n 0 <= b <= 5\n x >= 0\nEnd\n");
  try {
    const PresolveResult result = Presolve(model);
    EXPECT_EQ(SolveWithClp(result.reduced).sol.status, AsInt(Status::Infeasible));
  } catch (const PostError& e) {
    EXPECT_NE(std::string(e.what()).find("the LP is infeasible"), std::string::npos) << e.what();
  }
  EXPECT_EQ(SolveWithClp(model).sol.status, AsInt(Status::Infeasible));
  // Once no row is left, the column decides: unbounded.
  try {
    Presolve(LpModel("Minimize\n obj: a - x\nSubject To\n r: a = 1\nBounds\n x >= 0\nEnd\n"));
    ADD_FAILURE() << "no verdict";
  } catch (const PostError& e) {
    EXPECT_NE(std::string(e.what()).find("the LP is unbounded: column x"), std::string::npos) << e.what();
  }
}

// The free singleton c2 takes r0 away, and c1's cost 0.0444 less c2's share
// 0.0444 leaves 7e-18 of rounding: c1, bounded only above, would then run
// down without bound. A cost that is its own rounding is 0.
TEST(PresolveHardNumbers, ACostThatCancelsToItsRoundingIsZero) {
  const TempDir dir;
  const Model model = MpsModel(dir,
                               "NAME B FREE\nROWS\n N obj\n E r0\nCOLUMNS\n c0 obj -549531.8041562097\n"
                               " c1 obj 0.04438869897785147 r0 3.362293784792358e-05\n"
                               " c2 obj -31.255139099784454 r0 -0.023674710536224972\n"
                               "RHS\n rhs r0 3.000067245875696\nBOUNDS\n MI bnd c0\n UP bnd c0 -2\n MI bnd c1\n"
                               " UP bnd c1 2\n FR bnd c2\nENDATA\n");
  for (const Reduction kind : {Reduction::DOMROW, Reduction::DBLROW}) {
    const Chain chain = RunChain(model, Only(kind));
    EXPECT_EQ(chain.presolved.count(kind), 1) << ReductionName(kind);
    EXPECT_EQ(chain.presolved.reduced.cost[1], 0) << ReductionName(kind);
    ExpectOptimal(model, chain, ReductionName(kind));
    EXPECT_NEAR(chain.objective, DirectObjective(model), 1e-9 * std::fabs(chain.objective));
  }
}

// Fixing c4 (at -9.5e12, by r1) moves r0's bounds from 2.8e13 to about 1,
// with 2.8e13's rounding: r0's activity 5e-5 below its moved bound is no
// proof of infeasibility (the LP is feasible, and unbounded through c6). A
// row's verdicts are taken against the largest size its bounds have had.
TEST(PresolveHardNumbers, MovedBoundsKeepTheRoundingOfTheirFormerSize) {
  const TempDir dir;
  const Model model = MpsModel(dir, R"(NAME D7925 FREE
ROWS
 N obj
 E r0
 E r1
 L r2
 L r3
COLUMNS
  c0 obj 0.0018081952982253683
  c1 obj 0.0013662399911116467
  c2 obj 102107.34264894242
  c2 r0 1
  c3 obj -372.9187639359543
  c3 r0 2.5343804841013108e-05
  c4 obj -1
  c4 r0 -3
  c4 r1 3
  c4 r3 9
  c5 obj 0
  c6 obj -1
RHS
  rhs r0 28464651311970.36
  rhs r1 -28464651311969.36
  rhs r2 1
  rhs r3 -85393953935906.08
RANGES
  rng r2 3
BOUNDS
 FX bnd c0 -1
 UP bnd c1 2.265351401772202
 LO bnd c1 1.265351401772202
 MI bnd c2
 UP bnd c2 1
 UP bnd c3 -1.9999999991
 LO bnd c3 -2
 UP bnd c4 -9488217103987.787
 LO bnd c4 -9488217103989.787
 UP bnd c5 0
 LO bnd c5 -1e+30
 LO bnd c6 1
ENDATA
)");
  for (const char* only : {"", "SGLROW", "FORROW", "DBLROW"}) {
    PresolveOptions options;
    if (*only != 0) options.Select(only, "");
    try {
      Presolve(model, options);
    } catch (const PostError& e) {
      ADD_FAILURE() << only << ": " << e.what();
    }
  }
}

// Fixing c2 at -8.8e12 would move r0's bound from 5.2e11 to 8e-6 with 1e-4
// of rounding, which, through the doubleton row r0 onto c1 and on into r1,
// once made this LP (optimal, exactly) infeasible: the presolver's verdict,
// or Clp's on the reduced LP. No bound is moved by more rounding than the
// solver's tolerance (so no column of r0 is fixed), and a bound implied
// through a row carries that row's rounding into the verdicts of the rows it
// meets.
TEST(PresolveHardNumbers, NoBoundMovedByMoreRoundingThanTheSolverAllowsIt) {
  const TempDir dir;
  const Model model = MpsModel(dir, R"(NAME D529351 FREE
ROWS
 N obj
 E r0
 E r1
 E r2
COLUMNS
  c0 obj -3
  c0 r0 -2
  c0 r2 83738.3979631212
  c1 obj 2
  c1 r0 3
  c1 r1 3
  c2 obj 2
  c2 r0 -0.05926424834264776
  c3 obj -6.180996627757996
  c3 r0 -2.880684211019445
  c4 obj 0
  c5 obj -29051.310409923924
  c5 r1 1
  c6 obj 3
  c6 r2 -0.022562025619714793
RHS
  rhs r0 521278381405.438
  rhs r1 -7.9999999999
  rhs r2 -83738.42052514682
RANGES
BOUNDS
 MI bnd c0
 UP bnd c0 -1
 LO bnd c1 -1e+30
 FX bnd c2 -8795832158246.319
 FX bnd c3 -1
 UP bnd c4 0
 LO bnd c4 -1
 UP bnd c5 -1.9999999999
 LO bnd c5 -2
 UP bnd c6 1e+30
 LO bnd c6 -1e+30
ENDATA
)");
  const Chain chain = RunChain(model);  // no verdict
  EXPECT_EQ(chain.presolved.count(Reduction::FIXCOL), 0);
  // Clp on the reduced LP, as on the whole model, meets numerical trouble
  // at times; it no longer calls it infeasible
  EXPECT_NE(chain.status, AsInt(Status::Infeasible));
}
