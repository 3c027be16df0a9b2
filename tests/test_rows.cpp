// Row records, replayed one at a time on a prepared state. Expected values are
// worked out by hand from the recorded formulas; inputs are chosen so that every
// intermediate is exact, unless a test is about rounding.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "harness.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// ---- NULROW, DUPROW ----

TEST(RowNulDup, NulRowClearsTheDualAndDupRowFoldsTheOtherRow) {
  PostData pd = Space(0, "EEL");
  pd.y = {5, 2, 7};
  Apply(pd, "NULROW 2");
  EXPECT_EQ(pd.y[2], 0.0);
  Apply(pd, "DUPROW 0 1 1.5");  // 5 - 1.5 * 2
  EXPECT_EQ(pd.y[0], 2.0);
  Apply(pd, "DUPROW 0 0 0.25");  // the row itself: 2 - 0.25 * 2
  EXPECT_EQ(pd.y[0], 1.5);
  EXPECT_EQ(pd.y[1], 2.0);
  EXPECT_EQ(pd.nnulrow, 1);
  EXPECT_EQ(pd.nduprow, 2);
}

TEST(RowNulDup, DupRowWithZeroFactorKeepsTheDualToTheSign) {
  PostData pd = Space(0, "EE");
  pd.y = {-0.0, 3};
  Apply(pd, "DUPROW 0 1 0");  // -0 - 0*3 = -0 - +0 = -0
  EXPECT_EQ(pd.y[0], 0.0);
  EXPECT_TRUE(std::signbit(pd.y[0]));
  pd.y[0] = 4;
  Apply(pd, "DUPROW 0 1 -0");
  EXPECT_EQ(pd.y[0], 4.0);
}

// ---- SGLROW ----

TEST(RowSingleton, SkipsItsOwnRowInTheColumnList) {
  PostData pd = Space(2, "EEE");
  pd.y = {50, 2, -1};
  pd.z[1] = 8;
  // y0 = 9 - 0.5*2 = 8 (own row skipped) ; 8 - 3*(-1) = 11 ; / 2
  Apply(pd, "SGLROW 0 1 4.5 2 9 { 1 0.5  0 1000  2 3 }");
  EXPECT_EQ(pd.y[0], 5.5);
  EXPECT_EQ(pd.x[1], 4.5);
  EXPECT_EQ(pd.z[1], 0.0);
  EXPECT_EQ(pd.x[0], 0.0);
  EXPECT_EQ(pd.nsglrow, 1);
  EXPECT_TRUE(pd.warnings.empty());
}

TEST(RowSingleton, ZeroCoefficientWarnsAndCarriesTheInfinity) {
  PostData pd = Space(1, "E");
  Apply(pd, "SGLROW 0 0 1 -0 3 { }");  // 3 / -0
  EXPECT_EQ(pd.y[0], -kInf);
  EXPECT_EQ(pd.x[0], 1.0);
  EXPECT_EQ(pd.z[0], 0.0);
  ASSERT_EQ(pd.warnings.size(), 1u);
  EXPECT_NE(pd.warnings[0].find("SGLROW"), std::string::npos);
}

// ---- DOMROW ----

TEST(RowDominated, SkipsItsOwnColumnInTheRowList) {
  PostData pd = Space(3, "EE");
  pd.x = {2, 3, 99};
  pd.z[2] = 5;
  // b = 10 - 1.5*2 = 7 ; column 2 skipped ; 7 - 2*3 = 1 ; x2 = 1/4, y1 = 6/4
  Apply(pd, "DOMROW 1 2 10 4 6 { 0 1.5  2 100  1 2 }");
  EXPECT_EQ(pd.x[2], 0.25);
  EXPECT_EQ(pd.y[1], 1.5);
  EXPECT_EQ(pd.z[2], 0.0);
  EXPECT_EQ(pd.y[0], 0.0);
  EXPECT_EQ(pd.x[0], 2.0);
  EXPECT_EQ(pd.ndomrow, 1);
  EXPECT_TRUE(pd.warnings.empty());
}

TEST(RowDominated, ZeroCoefficientWarnsAndCarriesInfinityAndNaN) {
  PostData pd = Space(1, "E");
  Apply(pd, "DOMROW 0 0 1 0 0 { }");  // x = 1/0, y = 0/0
  EXPECT_EQ(pd.x[0], kInf);
  EXPECT_TRUE(std::isnan(pd.y[0]));
  EXPECT_EQ(pd.z[0], 0.0);
  ASSERT_EQ(pd.warnings.size(), 1u);
  EXPECT_NE(pd.warnings[0].find("DOMROW"), std::string::npos);
}

// ---- DBLROW ----

// Row 0 eliminates column 0 through column 1: b 7, aj 2, ak 4, cj 10, ck 5.
// Rows 1 and 2 hold duals 2 and -1; column 1's list is { 1 0.5  2 4 }.
PostData DblSpace(double xk) {
  PostData pd = Space(2, "EEE");
  pd.y = {0, 2, -1};
  pd.x[1] = xk;
  pd.z[1] = 9;
  return pd;
}

TEST(RowDoubleton, BindingAtEitherFlaggedBoundUsesTheColumnList) {
  for (const char* flags : {"1 1.5 0 9", "0 -4 1 1.5", "1 1.5 1 1.5"}) {
    PostData pd = DblSpace(1.5);
    Apply(pd, std::string("DBLROW 0 0 1 7 2 4 10 5 ") + flags + " { 1 0.5  2 4 }");
    // x0 = (7 - 4*1.5)/2 ; ck = 5 - 0.5*2 - 4*(-1) = 8 ; y0 = 8/4 ; z0 = 10 - 2*2
    EXPECT_EQ(pd.x[0], 0.5) << flags;
    EXPECT_EQ(pd.y[0], 2.0) << flags;
    EXPECT_EQ(pd.z[0], 6.0) << flags;
    EXPECT_EQ(pd.z[1], 0.0) << flags;
    EXPECT_EQ(pd.ndblrow, 1);
  }
}

TEST(RowDoubleton, BindingTestIsExactEquality) {
  const double above = std::nextafter(1.5, 2.0);
  PostData pd = DblSpace(above);
  Apply(pd, "DBLROW 0 0 1 7 2 4 10 5 1 1.5 0 9 { 1 0.5  2 4 }");
  // not binding: x0 = (7 - 4*(1.5 + 2^-52))/2 = (1 - 2^-50)/2 ; y0 = 10/2 ; z0 = 10 - 2*5
  EXPECT_EQ(pd.x[0], 0.5 - 0x1p-51);
  EXPECT_EQ(pd.y[0], 5.0);
  EXPECT_EQ(pd.z[0], 0.0);
  EXPECT_EQ(pd.z[1], 9.0);  // left as it was

  // a value equal to the bound under IEEE comparison binds: -0 == +0
  pd = DblSpace(0.0);
  Apply(pd, "DBLROW 0 0 1 7 2 4 10 5 1 -0 0 9 { 1 0.5  2 4 }");
  EXPECT_EQ(pd.y[0], 2.0);
  EXPECT_EQ(pd.z[1], 0.0);

  // the value sits on a bound whose flag is off: not binding
  pd = DblSpace(1.5);
  Apply(pd, "DBLROW 0 0 1 7 2 4 10 5 0 1.5 1 9 { 1 0.5  2 4 }");
  EXPECT_EQ(pd.y[0], 5.0);
  EXPECT_EQ(pd.z[1], 9.0);
}

TEST(RowDoubleton, NonBindingNeverReadsTheColumnList) {
  // An entry naming a row that does not exist would fail if it were read.
  PostData pd = DblSpace(1.5);
  Apply(pd, "DBLROW 0 0 1 7 2 4 10 5 0 1.5 0 1.5 { 99 1 }");
  EXPECT_EQ(pd.y[0], 5.0);
  EXPECT_EQ(pd.x[0], 0.5);
  // No list at all: the record ends at its last bound.
  pd = DblSpace(3);
  Apply(pd, "raw 8 i 0 i 0 i 1 d 7 d 2 d 4 d 10 d 5 i 1 d 1.5 i 1 d 9");
  EXPECT_EQ(pd.y[0], 5.0);
  EXPECT_EQ(pd.x[0], -2.5);  // (7 - 12) / 2
  // Binding with the same cut record runs off the end of the file.
  pd = DblSpace(1.5);
  EXPECT_THROW(Apply(pd, "raw 8 i 0 i 0 i 1 d 7 d 2 d 4 d 10 d 5 i 1 d 1.5 i 1 d 9"), PostError);
}

TEST(RowDoubleton, ColumnListUsesEveryEntryIncludingItsOwnRow) {
  PostData pd = DblSpace(1.5);
  pd.y[0] = 3;
  // ck = 5 - 1*3 (row 0 itself) - 0.5*2 = 1 ; y0 = 1/4
  Apply(pd, "DBLROW 0 0 1 7 2 4 10 5 1 1.5 0 9 { 0 1  1 0.5 }");
  EXPECT_EQ(pd.y[0], 0.25);
  EXPECT_EQ(pd.z[0], 9.5);  // 10 - 2*0.25
}

TEST(RowDoubleton, ZeroCoefficientsWarnAndCarryInfinityAndNaN) {
  PostData pd = DblSpace(1);
  Apply(pd, "DBLROW 0 0 1 7 0 4 10 5 0 0 0 0 { }");
  EXPECT_EQ(pd.x[0], kInf);         // (7 - 4) / 0
  EXPECT_EQ(pd.y[0], kInf);         // 10 / 0
  EXPECT_TRUE(std::isnan(pd.z[0]));  // 10 - 0*inf
  EXPECT_EQ(pd.warnings.size(), 1u);

  pd = DblSpace(1.5);  // binding through a zero ak
  Apply(pd, "DBLROW 0 0 1 7 2 0 10 -5 1 1.5 0 0 { }");
  EXPECT_EQ(pd.x[0], 3.5);  // (7 - 0*1.5) / 2
  EXPECT_EQ(pd.y[0], -kInf);
  EXPECT_EQ(pd.z[0], kInf);  // 10 - 2*(-inf)
  EXPECT_EQ(pd.warnings.size(), 1u);

  pd = DblSpace(1.5);  // zero ak but not binding: no division by it, no warning
  Apply(pd, "DBLROW 0 0 1 7 2 0 10 5 0 0 0 0 { }");
  EXPECT_EQ(pd.y[0], 5.0);
  EXPECT_TRUE(pd.warnings.empty());
}

// ---- FORROW ----

TEST(RowForcing, EmptyRunSetsTheDualToZeroAndNothingElse) {
  PostData pd = Space(2, "LE");
  pd.y = {7, 4};
  pd.x = {1, 2};
  pd.z = {3, 4};
  Apply(pd, "FORROW 0 e");
  EXPECT_EQ(pd.y[0], 0.0);
  EXPECT_FALSE(std::signbit(pd.y[0]));
  EXPECT_EQ(pd.y[1], 4.0);
  EXPECT_EQ(pd.x, (BulkVector<double>{1, 2}));
  EXPECT_EQ(pd.z, (BulkVector<double>{3, 4}));
  EXPECT_EQ(pd.nforrow, 1);
}

TEST(RowForcing, SingleColumnAtLowerBoundBoundsTheDualFromAbove) {
  // cj = 10 - 2*2 = 6 after the list, t = 6/2 = 3 is the upper end
  PostData pd = Space(2, "EE");
  pd.y[1] = 2;
  Apply(pd, "FORROW 0 l 1 2.5 2 10 { 1 2 } e");
  EXPECT_EQ(pd.y[0], 3.0);
  EXPECT_EQ(pd.x[1], 2.5);
  EXPECT_EQ(pd.z[1], 0.0);
  // On a less-or-equal row a positive upper end is mended to 0
  pd = Space(2, "LE");
  pd.y[1] = 2;
  Apply(pd, "FORROW 0 l 1 2.5 2 10 { 1 2 } e");
  EXPECT_EQ(pd.y[0], 0.0);
  EXPECT_EQ(pd.z[1], 6.0);
  // and a negative one is kept
  pd = Space(1, "L");
  Apply(pd, "FORROW 0 l 0 0 2 -6 { } e");
  EXPECT_EQ(pd.y[0], -3.0);
  EXPECT_EQ(pd.z[0], 0.0);
}

TEST(RowForcing, SignMendKeepsANegativeZeroEnd) {
  // upper end -0/2 = -0 : stays -0 ; z = -0 - 2*(-0) = +0
  PostData pd = Space(1, "L");
  Apply(pd, "FORROW 0 l 0 0 2 -0 { } e");
  EXPECT_EQ(pd.y[0], 0.0);
  EXPECT_TRUE(std::signbit(pd.y[0]));
  EXPECT_FALSE(std::signbit(pd.z[0]));
  // lower end (tag other than l with a > 0) of -0 on a greater-or-equal row: stays -0
  pd = Space(1, "G");
  Apply(pd, "FORROW 0 u 0 0 2 -0 { } e");
  EXPECT_TRUE(std::signbit(pd.y[0]));
}

TEST(RowForcing, LowerEndAloneIsMendedOnlyWhenNegative) {
  // tag u, a > 0 : t is the lower end
  PostData pd = Space(1, "G");
  Apply(pd, "FORROW 0 u 0 0 2 6 { } e");
  EXPECT_EQ(pd.y[0], 3.0);
  EXPECT_EQ(pd.z[0], 0.0);
  pd = Space(1, "G");
  Apply(pd, "FORROW 0 x 0 0 2 -6 { } e");  // any tag but l and e is an upper-bound column
  EXPECT_EQ(pd.y[0], 0.0);
  EXPECT_EQ(pd.z[0], -6.0);
  pd = Space(1, "E");
  Apply(pd, "FORROW 0 u 0 0 2 -6 { } e");
  EXPECT_EQ(pd.y[0], -3.0);
  // a < 0 swaps the ends: tag l gives the lower end -3
  pd = Space(1, "E");
  Apply(pd, "FORROW 0 l 0 0 -2 6 { } e");
  EXPECT_EQ(pd.y[0], -3.0);
  EXPECT_EQ(pd.z[0], 0.0);  // 6 - (-2)(-3)
}

TEST(RowForcing, BothEndsFiniteTakeTheMidpointWithoutMend) {
  // upper candidates 5 and 3, lower candidates 1 and 0 : [1, 3]
  PostData pd = Space(4, "L");
  Apply(pd, "FORROW 0 l 0 0 1 5 { } l 1 0 1 3 { } u 2 0 1 1 { } u 3 0 2 0 { } e");
  EXPECT_EQ(pd.y[0], 2.0);
  EXPECT_EQ(pd.z, (BulkVector<double>{3, 1, -1, -4}));
  // (hi + lo) * 0.5 : a one-point interval at the smallest subnormal stays there
  pd = Space(2, "E");
  Apply(pd, "FORROW 0 l 0 0 1 4.9406564584124654e-324 { } u 1 0 1 4.9406564584124654e-324 { } e");
  EXPECT_EQ(pd.y[0], 4.9406564584124654e-324);
}

TEST(RowForcing, EndsBeyondOneE30AreOpen) {
  PostData pd = Space(1, "E");
  Apply(pd, "FORROW 0 l 0 0 1 1e30 { } e");  // hi = 1e30 is still finite
  EXPECT_EQ(pd.y[0], 1e30);
  pd = Space(1, "E");
  Apply(pd, "FORROW 0 l 0 0 1 2e30 { } e");  // open: both ends open
  EXPECT_EQ(pd.y[0], 0.0);
  EXPECT_EQ(pd.z[0], 2e30);
  pd = Space(2, "E");
  Apply(pd, "FORROW 0 l 0 0 1 2e30 { } u 1 0 1 -1e30 { } e");  // lo = -1e30 finite
  EXPECT_EQ(pd.y[0], -1e30);
}

TEST(RowForcing, EmptyIntervalAndTinyCoefficientFail) {
  PostData pd = Space(2, "E");
  EXPECT_THROW(Apply(pd, "FORROW 0 l 0 0 1 1 { } u 1 0 1 3 { } e"), PostError);
  pd = Space(1, "E");
  EXPECT_THROW(Apply(pd, "FORROW 0 l 0 0 9.9e-14 1 { } e"), PostError);
  pd = Space(1, "E");
  EXPECT_THROW(Apply(pd, "FORROW 0 u 0 0 -5e-14 1 { } e"), PostError);
  pd = Space(1, "E");
  Apply(pd, "FORROW 0 l 0 0 1e-13 1e-13 { } e");  // not below: accepted, t = 1
  EXPECT_EQ(pd.y[0], 1.0);
}

TEST(RowForcing, RowWithoutRowTypeOrRunWithoutEndFails) {
  PostData pd = Space(1, "E");
  pd.y.resize(3);
  pd.rmapn = 3;
  EXPECT_THROW(Apply(pd, "FORROW 2 e"), PostError);
  pd = Space(1, "E");
  EXPECT_THROW(Apply(pd, "raw 10 i 0"), PostError);
  pd = Space(1, "E");
  EXPECT_THROW(Apply(pd, "raw 10 i 0 b 108 i 0 d 0 d 1 d 1 i -1"), PostError);
}

// ---- indices and maps ----

TEST(RowRecords, IndexOutsideTheRowOrColumnSpaceFails) {
  for (const char* rec : {
           "NULROW 3", "NULROW -1", "DUPROW 0 3 1", "DUPROW -2 0 1",
           "SGLROW 3 0 1 1 1 { }", "SGLROW 0 2 1 1 1 { }", "SGLROW 0 0 1 1 1 { 7 1 }",
           "DOMROW 3 0 1 1 1 { }", "DOMROW 0 2 1 1 1 { }", "DOMROW 0 0 1 1 1 { 2 1 }",
           "DBLROW 3 0 1 1 1 1 1 1 0 0 0 0 { }", "DBLROW 0 2 1 1 1 1 1 1 0 0 0 0 { }",
           "DBLROW 0 0 -1 1 1 1 1 1 0 0 0 0 { }", "DBLROW 0 0 1 1 1 1 1 1 1 0 0 0 { 3 1 }",
           "FORROW 3 e", "FORROW 0 l 2 0 1 1 { } e", "FORROW 0 l 0 0 1 1 { 5 1 } e"}) {
    PostData pd = Space(2, "EEE");
    EXPECT_THROW(Apply(pd, rec), PostError) << rec;
  }
}

TEST(RowRecords, NeedTheMapOfTheDataTheyTouch) {
  PostData pd = Space(1, "E");
  pd.rowmapped = false;
  EXPECT_THROW(Apply(pd, "NULROW 0"), PostError);
  EXPECT_THROW(Apply(pd, "DUPROW 0 0 1"), PostError);
  pd = Space(1, "E");
  pd.colmapped = false;
  Apply(pd, "DUPROW 0 0 1");  // rows only
  Apply(pd, "FORROW 0 e");    // no column in the run
  EXPECT_EQ(pd.nforrow, 1);
  EXPECT_THROW(Apply(pd, "DOMROW 0 0 1 1 1 { }"), PostError);
  EXPECT_THROW(Apply(pd, "FORROW 0 l 0 0 1 1 { } e"), PostError);
}

}  // namespace
