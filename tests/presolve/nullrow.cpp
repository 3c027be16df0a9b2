// NULROW: an empty row goes when its bounds admit 0 within the tolerance.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveNullRow, AnEmptyRowWithinTheToleranceOfZeroGoesAndOneBeyondFails) {
  // feasTol 1e-9 scaled by 1 + |bound|: 0 >= 5e-10 is met, 0 >= 3e-9 is not
  const std::string lp = "Minimize\n obj: x\nSubject To\n r: x >= 1\n e: 0 x >= ";
  const PresolveResult result = Presolve(LpModel(lp + "0.0000000005\nEnd\n"), Only(Reduction::NULROW));
  EXPECT_EQ(Records(result, Reduction::NULROW), std::vector<std::string>{"NULROW 1"});
  EXPECT_EQ(result.reduced.rowNames, std::vector<std::string>{"r"});
  EXPECT_THROW(Presolve(LpModel(lp + "0.000000003\nEnd\n"), Only(Reduction::NULROW)), PostError);
  // with the kind off, the empty row stays and nothing fails
  EXPECT_EQ(Presolve(LpModel(lp + "0.000000003\nEnd\n"), NoReduction()).reduced.rows(), 2);
}
