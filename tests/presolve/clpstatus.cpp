// Clp's verdicts as the solve reports them: neither simplex's "infeasible"
// or "unbounded" is taken until feasibility alone is settled, and an optimum
// whose duals have the wrong signs is checked again. Each LP below is one
// that Clp once called wrongly (found by difftest).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "postsolve/solve.h"
#include "presolve_helpers.h"

using namespace presolve_test;

namespace {

int ClpStatus(const std::string& mps) {
  const TempDir dir;
  dir.Write("model.mps", mps);
  return SolveWithClp(ReadModel(dir.File("model.mps"))).sol.status;
}

}  // namespace

TEST(ClpStatus, AFeasibleLpWithAnUnboundedEmptyColumnIsUnbounded) {
  // The dual simplex calls it infeasible, free empty columns and all; c0
  // improves without bound once r0..r3 hold, as c1 = 1, c6 = -1 let them.
  EXPECT_EQ(ClpStatus(
      "NAME D285 FREE\nROWS\n N obj\n E r0\n E r1\n E r2\n L r3\nCOLUMNS\n c0 obj -2\n c1 r0 -2\n"
      " c1 r1 2\n c1 r3 -1\n c2 obj 3\n c2 r0 1\n c2 r1 3\n c3 obj 2\n c3 r0 2\n c4 obj 1\n"
      " c5 obj -1\n c5 r1 1\n c6 obj 1\n c6 r1 1\n c6 r2 3\n c6 r3 3\n c7 obj -3\n c7 r1 1\nRHS\n"
      " rhs r0 -4\n rhs r1 -1\n rhs r2 -3\n rhs r3 -4\nRANGES\n rng r3 2\nBOUNDS\n LO bnd c0 -2\n"
      " UP bnd c1 1\n LO bnd c1 -1\n FR bnd c2\n MI bnd c3\n UP bnd c3 -1\n FR bnd c4\n"
      " FX bnd c5 -1\n UP bnd c6 1\n LO bnd c6 -1\n FR bnd c7\nENDATA\n"), AsInt(Status::Unbounded));
}

TEST(ClpStatus, AnOptimumAtClpsOwnLargeBoundIsUnbounded) {
  // Optimal for the scaled problem at -2.1e16 (c3 runs to Clp's artificial
  // bound), its duals infeasible unscaled.
  EXPECT_EQ(ClpStatus(
      "NAME D8385 FREE\nROWS\n N obj\n G r1\n L r2\n G r3\n L r4\nCOLUMNS\n c1 obj -3\n c1 r1 1\n"
      " c1 r2 1\n c1 r4 -3\n c2 obj 4\n c2 r3 3\n c3 obj -6\n c3 r2 2\n c3 r3 3\nRHS\n"
      " rhs r1 -4\n rhs r2 1e+30\n rhs r3 -13\n rhs r4 8\nRANGES\n rng r4 3\nBOUNDS\n FR bnd c1\n"
      " FR bnd c2\n FR bnd c3\nENDATA\n"), AsInt(Status::Unbounded));
  // Optimal at -1.5e20 with the free column c1's dual slack 1.
  EXPECT_EQ(ClpStatus(
      "NAME D17326 FREE\nROWS\n N obj\n G r0\n L r1\nCOLUMNS\n c1 obj 1\n c1 r1 -1\n c5 obj -1\n"
      " c5 r0 2\n c5 r1 -2\nRHS\n rhs r0 1\nRANGES\nBOUNDS\n FR bnd c1\n FR bnd c5\nENDATA\n"), AsInt(Status::Unbounded));
}

TEST(ClpStatus, NumericalTroubleOnAnInfeasibleLpIsSettled) {
  // The empty equality row r0 = 1 makes it infeasible; the dual simplex
  // reports numerical trouble.
  EXPECT_EQ(ClpStatus(
      "NAME D1377 FREE\nROWS\n N obj\n E r0\n L r1\n L r2\nCOLUMNS\n c0 obj -2\n c1 obj 0\n"
      " c3 obj -1\n c4 obj -1\nRHS\n rhs r0 1\n rhs r1 2\nRANGES\n rng r1 2\n rng r2 1\nBOUNDS\n"
      " MI bnd c0\n UP bnd c0 0\n FX bnd c1 -1\n FR bnd c3\n FR bnd c4\nENDATA\n"), AsInt(Status::Infeasible));
}

TEST(ClpStatus, AnUnboundedLpWithARangeBelowTheToleranceIsUnbounded) {
  // r4's range is 6e-10 and c5's coefficient there 1e6: the primal simplex
  // from a slack basis calls the LP infeasible, the dual one finds it
  // feasible. After the dual simplex's ray, a primal solve once wrote past
  // the ray's end and the heap was corrupted.
  EXPECT_EQ(ClpStatus(
      "NAME D54517 FREE\nROWS\n N obj\n G r0\n G r1\n G r2\n G r3\n L r4\nCOLUMNS\n"
      " c0 obj -46228.84131588659\n c0 r1 787487.2033697747\n c0 r3 0.00396124092454866\n"
      " c1 obj -3\n c1 r0 -3.1010570231668607e-06\n c1 r2 0.16606584955790823\n c1 r3 -2\n"
      " c1 r4 -6.597544144354812e-07\n c5 obj 0.37612386635527006\n"
      " c5 r2 -0.0005535420471111514\n c5 r4 1e+06\nRHS\n rhs r0 -3.1016570218866946e-06\n"
      " rhs r1 -2\n rhs r2 -0.8339341504420917\n rhs r3 -3\n rhs r4 -6.591544144354811e-07\n"
      "RANGES\n rng r2 1.0000000006\n rng r4 6.000000000000451e-10\nBOUNDS\n FR bnd c1\n"
      " UP bnd c5 5e-10\nENDATA\n"), AsInt(Status::Unbounded));
}

TEST(ClpStatus, AnUnboundedVerdictGivesWayOnlyToAnOptimumWithDualsOfTheRightSigns) {
  // The dual simplex calls this one unbounded (its rows hold 1e15); the
  // primal simplex from a feasible point finds its optimum.
  EXPECT_EQ(ClpStatus(R"(NAME D28875 FREE
ROWS
 N obj
 L r0
 G r1
 G r2
 L r3
COLUMNS
  c0 obj -235.26011051830426
  c0 r0 -197589.85330066158
  c0 r1 -175.59337945724656
  c1 obj -3
  c1 r0 0.00019446924089440722
  c1 r3 1.9632636107406416
  c2 obj 1
  c2 r1 -3.9994680188791616
  c2 r2 -2
  c2 r3 -1
  c3 obj -2
  c3 r1 -0.000782444008349158
  c4 r0 -28233.10319981822
  c4 r1 1.7799903477557708e-05
  c5 obj -108.54923921296353
  c5 r1 -0.5714353099324456
  c5 r3 -1.7781029256459162
  c6 obj -3
  c6 r0 1
  c6 r1 63187.81761573171
  c6 r3 1e+06
RHS
  rhs r0 1e+30
  rhs r1 -1754177860777893.5
  rhs r2 -7.000000000000001e-10
  rhs r3 1.1851606850977987
RANGES
BOUNDS
 UP bnd c0 9.99e+12
 UP bnd c1 1
 FX bnd c2 0
 FX bnd c3 0
 UP bnd c4 1.000000082740371e-10
 FR bnd c5
 FX bnd c6 0
ENDATA
)"),
            AsInt(Status::Optimal));
  // Here the primal simplex calls optimal a point where c2, free upwards in a
  // free row with cost -3, has z = -3: unbounded, as the dual simplex said.
  EXPECT_EQ(ClpStatus(R"(NAME D16281 FREE
ROWS
 N obj
 E r0
 G r1
 G r2
 L r3
 L r4
 E r5
 E r6
COLUMNS
  c0 obj -0.008583482190151221
  c0 r0 513669.0095905007
  c0 r1 25.07202574221234
  c0 r3 2
  c1 obj 3
  c1 r0 1
  c1 r1 1
  c1 r2 -49740.671104253495
  c1 r3 7.54332626087661e-05
  c1 r5 1
  c1 r6 1
  c2 obj -3
  c2 r3 147.9384498691047
  c3 obj -82.91857514815776
  c3 r1 16929.619659688055
  c3 r2 -988.9771202244673
  c3 r3 -3.193131283338741e-05
  c4 obj -3
  c4 r3 -4.7533837958747856e-07
RHS
  rhs r0 834101.4068802622
  rhs r1 -33821.52713607822
  rhs r2 101459.29644895592
  rhs r3 1e+30
  rhs r4 2
  rhs r5 -2
  rhs r6 -2
RANGES
BOUNDS
 FR bnd c0
 UP bnd c1 0
 LO bnd c1 -2
 LO bnd c2 -2e+15
 LO bnd c3 -2
 UP bnd c4 1.0000000005
 LO bnd c4 1
ENDATA
)"),
            AsInt(Status::Unbounded));
}

TEST(ClpStatus, TheLogGoesToASinkLineByLineWithoutItsCodes) {
  std::vector<std::string> lines;
  testing::internal::CaptureStderr();
  const ClpAnswer answer =
      SolveWithClp(ReadModel(kSamples + "afiro.mps"), 1, 0, [&](const std::string& line) { lines.push_back(line); });
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(answer.sol.status, 0);
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) {
    EXPECT_EQ(line.rfind("Clp", 0), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  }
}
