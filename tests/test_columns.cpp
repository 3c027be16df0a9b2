// Column records, replayed one at a time on a prepared state; checked by the
// values the worked examples must give.
#include <gtest/gtest.h>

#include <cmath>

#include "harness.h"

namespace {

// Runs DUPCOL k=1 of kept column j=0 with s = x[0]; returns {x_j, x_k}.
std::pair<double, double> SplitDup(double s, const std::string& fields) {
  PostData pd = Space(2, "");
  pd.x[0] = s;
  Apply(pd, "DUPCOL 1 0 " + fields);
  EXPECT_EQ(pd.ndupcol, 1);
  return {pd.x[0], pd.x[1]};
}

TEST(DupCol, SplitsAtTheMidpointOfBothFiniteEnds) {
  // alpha 2, column k in [0,10], column j in [0,4]: x_k in [3,5]
  EXPECT_EQ(SplitDup(10, "2 0 10 0 4"), std::make_pair(2.0, 4.0));
}

TEST(DupCol, AllBoundsInfiniteKeepsEverythingInTheKeptColumn) {
  EXPECT_EQ(SplitDup(7, "3 -1e30 1e30 -1e30 1e30"), std::make_pair(7.0, 0.0));
}

TEST(DupCol, FreeKeptColumnPutsTheDuplicateAtItsFiniteLowerBound) {
  EXPECT_EQ(SplitDup(5, "100 0 1e30 -1e30 1e30"), std::make_pair(5.0, 0.0));
}

TEST(DupCol, NegativeFactorSwapsWhichBoundGivesWhichEnd) {
  EXPECT_EQ(SplitDup(1, "-1 0 1e30 0 1e30"), std::make_pair(1.0, 0.0));
  // alpha -2, k in [-1e30, 1e30], j in [0, 6], s = 2: x_k in [(2-0)/-2, (2-6)/-2] = [-1, 2]
  EXPECT_EQ(SplitDup(2, "-2 -1e30 1e30 0 6"), std::make_pair(3.0, 0.5));
}

TEST(DupCol, OnlyUpperEndFiniteTakesTheUpperEnd) {
  // k in (-inf, 2], j free above 0: x_k <= 2 from k, no lower end
  EXPECT_EQ(SplitDup(10, "1 -1e30 2 -1e30 1e30"), std::make_pair(8.0, 2.0));
}

TEST(DupCol, BoundsBeyondOneE29CountAsInfinite) {
  // upj = 2e29 is infinite, so L' = -1e30; loj = 0 gives U' = 4; k in [-1e30, 1e30]: t = U'
  EXPECT_EQ(SplitDup(4, "1 -1e30 1e30 0 2e29"), std::make_pair(0.0, 4.0));
}

TEST(DupCol, EmptyIntervalStillTakesTheMidpointAndWarns) {
  PostData pd = Space(2, "");
  pd.x[0] = 10;
  Apply(pd, "DUPCOL 1 0 1 0 3 0 2");
  EXPECT_EQ(pd.x[1], 5.5);
  EXPECT_EQ(pd.x[0], 4.5);
  ASSERT_EQ(pd.warnings.size(), 1u);
  EXPECT_NE(pd.warnings[0].find("DUPCOL"), std::string::npos);
}

TEST(DupCol, DualSlackOfTheDuplicateScalesTheKeptOne) {
  PostData pd = Space(2, "");
  pd.z[0] = -1.5;
  Apply(pd, "DUPCOL 1 0 2 -1e30 1e30 -1e30 1e30");
  EXPECT_EQ(pd.z[1], -3.0);
  EXPECT_EQ(pd.z[0], -1.5);
}

TEST(DupCol, TinyFactorFailsBeforeAnyValueChanges) {
  PostData pd = Space(2, "");
  pd.x[0] = 10;
  EXPECT_THROW(Apply(pd, "DUPCOL 1 0 1e-16 0 1 0 1"), PostError);
  EXPECT_EQ(pd.x[0], 10);
  EXPECT_EQ(pd.x[1], 0);
}

TEST(FixedColumns, DualSlackIsCostMinusColumnTimesDuals) {
  for (const char* kind : {"DOMCOL", "FIXCOL"}) {
    PostData pd = Space(3, "EEE");
    pd.y = {2, 0.5, -1};
    Apply(pd, std::string(kind) + " 1 4.25 10 { 0 3  2 1 }");
    EXPECT_EQ(pd.x[1], 4.25) << kind;
    EXPECT_EQ(pd.z[1], 10.0 - 3 * 2 - 1 * -1) << kind;
    Apply(pd, std::string(kind) + " 2 1 0.1 { }");
    EXPECT_EQ(pd.z[2], 0.1) << kind;  // an empty list leaves the cost exactly
  }
}

TEST(BoundShifts, LowBndThenMinBndReflectsTheShiftedValue) {
  PostData pd = Space(1, "");
  pd.x[0] = 1.5;
  pd.z[0] = 2;
  Apply(pd, "LOWBND 0 2");  // replayed first: undoes the later shift
  EXPECT_EQ(pd.x[0], 3.5);
  Apply(pd, "MINBND 0 10");
  EXPECT_EQ(pd.x[0], 6.5);
  EXPECT_EQ(pd.z[0], -2);
  EXPECT_EQ(pd.nlowbnd, 1);
  EXPECT_EQ(pd.nminbnd, 1);
}

TEST(NulCol, SetsValueAndSlackAsRecorded) {
  PostData pd = Space(1, "");
  Apply(pd, "NULCOL 0 -0 7.5");
  EXPECT_TRUE(std::signbit(pd.x[0]));
  EXPECT_EQ(pd.z[0], 7.5);
}

TEST(ColumnRecords, IndexOutsideTheColumnSpaceFails) {
  for (const char* rec : {"DOMCOL 3 0 0 { }", "DUPCOL 3 0 1 0 1 0 1", "DUPCOL 0 -1 1 0 1 0 1",
                          "FIXCOL -2 0 0 { }", "NULCOL 3 0 0", "LOWBND 3 0", "MINBND 99 0",
                          "FIXCOL 0 0 0 { 5 1 }"}) {
    PostData pd = Space(3, "E");
    EXPECT_THROW(Apply(pd, rec), PostError) << rec;
  }
}

TEST(ColumnRecords, NeedTheMapOfTheDataTheyTouch) {
  PostData pd = Space(2, "E");
  pd.colmapped = false;
  EXPECT_THROW(Apply(pd, "LOWBND 0 1"), PostError);
  pd = Space(2, "E");
  pd.rowmapped = false;
  Apply(pd, "FIXCOL 0 1 2 { }");  // no row touched: no row map needed
  EXPECT_THROW(Apply(pd, "FIXCOL 0 1 2 { 0 1 }"), PostError);
}

}  // namespace
