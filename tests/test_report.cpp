// Number formats, console helpers and the activity products behind the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <future>
#include <limits>
#include <random>
#include <vector>

#include "harness.h"
#include "numfmt.h"
#include "workers.h"

namespace {

std::string Printf(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%+12e", v);
  return buf;
}

std::string Fast(double v) {
  char buf[EFMT_MAX];
  return std::string(buf, FmtE(buf, v));
}

TEST(NumberFormat, MatchesPrintfOnHardValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double hard[] = {
      0.0, -0.0, inf, -inf, nan, -nan, std::copysign(nan, -1.0),
      std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(),
      2.2250738585072009e-308, std::numeric_limits<double>::min(), std::numeric_limits<double>::max(),
      -std::numeric_limits<double>::max(), 1e300, -1e-300, 1e-100, 9.9999995e99, 1e100,
      1.5, 1e30, -1e30, 9.99e29, 1e40, -1e40, 0.1, 1.0 / 3.0,
      // exact ties at the seventh significant digit: even and odd last digits
      1.0000005, 1.0000015, 1.0000025, 2.5e-7, 0.0000125, 1.2345675, 1.2345685, 8.5, 9.5,
      1234567.5, 1234568.5, 12345665, 12345675, 9999999.5, 9999998.5,
      // the largest exact ties: halves of odd integers with eight digits
      10000001 * 0.5, 10000003 * 0.5, 99999995.0, 99999985.0, 0.99999995, 9.9999995,
  };
  for (double v : hard) EXPECT_EQ(Fast(v), Printf(v)) << "bits of " << v;
}

TEST(NumberFormat, MatchesPrintfOnRandomBitPatterns) {
  std::mt19937_64 rng(20261208);
  for (int i = 0; i < 300000; ++i) {
    double v;
    std::uint64_t bits = rng();
    std::memcpy(&v, &bits, sizeof v);
    ASSERT_EQ(Fast(v), Printf(v)) << bits;
  }
  // values with few significant bits are where exact ties live
  std::uniform_int_distribution<int> exp(-40, 40);
  for (int i = 0; i < 300000; ++i) {
    double v = std::ldexp(static_cast<double>(rng() % 100000001), exp(rng)) * (i % 2 ? 1 : -1);
    ASSERT_EQ(Fast(v), Printf(v)) << v;
  }
}

// The formatter decides rounding from a 128-bit scaled value and leaves only
// near-ties to the exact path: the values a few ulps either side of a tie, and
// of a decade boundary, across the whole exponent range, are where it would slip.
TEST(NumberFormat, MatchesPrintfBesideTiesAndDecadeBoundaries) {
  std::mt19937_64 rng(7);
  auto around = [](double v, auto check) {
    for (int dir : {-1, 1}) {
      double w = v;
      for (int step = 0; step < 3; ++step, w = std::nextafter(w, dir * HUGE_VAL)) check(w);
    }
  };
  for (int i = 0; i < 40000; ++i) {
    const double tie = static_cast<double>(rng() % 90000000 + 10000000) + 0.5;  // eight digits and a half
    const int exp10 = static_cast<int>(rng() % 620) - 320;
    around(tie * std::pow(10.0, exp10), [](double w) { ASSERT_EQ(Fast(w), Printf(w)) << std::hexfloat << w; });
  }
  for (int exp10 = -323; exp10 <= 308; ++exp10)
    for (double mant : {1.0, 9.9999995, 9.999999, 5.0, 1.0000005})
      around(mant * std::pow(10.0, exp10), [](double w) { ASSERT_EQ(Fast(w), Printf(w)) << std::hexfloat << w; });
}

TEST(NumberFormat, IntegersMatchPrintf) {
  std::vector<long> values{0, 1, -1, 9, 10, 99, 100, 999, 1000, 99999999, 100000000, 2147483647, -2147483648L};
  for (long v = 1; v < 100000000; v = v * 3 + 1) values.insert(values.end(), {v, v - 1, v + 1});
  for (long v : values) {
    char buf[32], fast[32];
    std::snprintf(buf, sizeof buf, "%ld", v);
    EXPECT_EQ(std::string(fast, FmtInt(fast, v)), buf);
  }
}

TEST(Console, LeftDotsRightAlignsAndLeavesLongTextAlone) {
  EXPECT_EQ(LeftDots(" 5", 29), std::string(27, '.') + " 5");
  EXPECT_EQ(LeftDots("dravfile.rpt", 36), std::string(24, '.') + "dravfile.rpt");
  EXPECT_EQ(LeftDots("demo.rpt", 36), std::string(28, '.') + "demo.rpt");
  EXPECT_EQ(LeftDots("exactly", 7), "exactly");
  const std::string longer(70, 'n');
  EXPECT_EQ(LeftDots(longer, 36), longer);
}

TEST(Console, ElapsedTimeUsesTheTickRate) {
  const long tck = ::sysconf(_SC_CLK_TCK);
  EXPECT_EQ(TimeInSec(5, 5 + 3 * tck), 3.0);
}

TEST(Report, FileNameStaysInTheWorkingDirectory) {
  EXPECT_EQ(ReportName(""), "dravfile.rpt");
  EXPECT_EQ(ReportName("demo"), "demo.rpt");
  EXPECT_EQ(ReportName("../etc/x"), ".._etc_x.rpt");
  EXPECT_EQ(ReportName("/abs"), "_abs.rpt");
}

TEST(Activities, EmptyMatrixGivesZeroActivityAndMinusCost) {
  PostData pd = Space(2, "EL");
  pd.A = mAlloc(2, 0);
  pd.c = {3.0, -0.0};
  GetActv(pd);
  EXPECT_EQ(pd.ax, (BulkVector<double>{0, 0}));
  EXPECT_EQ(pd.atyc[0], -3.0);
  EXPECT_FALSE(std::signbit(pd.atyc[1]));  // -(-0) is +0
}

TEST(Activities, ProductsAccumulateInStoredOrder) {
  // Column 0 holds three entries in row 0; summed in reverse they would give 1.
  PostData pd = Space(1, "E");
  pd.A = mAlloc(1, 3);
  pd.A->col[0].nz = 3;
  pd.A->indblk = {0, 0, 0};
  pd.A->valblk = {1.0, 1e16, -1e16};
  pd.A->col[0].ind = pd.A->indblk.data();
  pd.A->col[0].val = pd.A->valblk.data();
  pd.c = {1.0};
  pd.x = {1.0};
  pd.y = {1.0};
  GetActv(pd);
  // ((0 + 1) + 1e16) rounds to 1e16, minus 1e16 leaves 0
  EXPECT_EQ(pd.ax[0], 0.0);
  // ((-1 + 1) + 1e16) - 1e16 = 0
  EXPECT_EQ(pd.atyc[0], 0.0);
}

TEST(Activities, CancelledCostGivesPlusZeroSoTheSlackPrintsMinusZero) {
  PostData pd = Space(1, "E");
  pd.A = mAlloc(1, 1);
  pd.A->col[0].nz = 1;
  pd.A->indblk = {0};
  pd.A->valblk = {2.0};
  pd.A->col[0].ind = pd.A->indblk.data();
  pd.A->col[0].val = pd.A->valblk.data();
  pd.c = {3.0};
  pd.x = {0.0};
  pd.y = {1.5};
  GetActv(pd);
  EXPECT_EQ(Fast(-pd.atyc[0]), "-0.000000e+00");
}

TEST(Storage, ZeroCountsGiveNoBlockAndFreeingTwiceIsHarmless) {
  auto d = dAlloc(0);
  EXPECT_TRUE(d.empty());
  auto i = iAlloc(3);
  EXPECT_EQ(i, (BulkVector<int>{0, 0, 0}));
  iFree(i);
  iFree(i);
  EXPECT_TRUE(i.empty());
  auto A = mAlloc(0, 5);
  EXPECT_TRUE(A->col.empty());
  EXPECT_EQ(A->nz, 5);
  auto B = mAlloc(3, 0);
  ASSERT_EQ(B->col.size(), 3u);
  EXPECT_EQ(B->col[2].ind, nullptr);
  mFree(B);
  mFree(B);
  EXPECT_EQ(B, nullptr);
  PostData empty;
  EXPECT_EQ(ShutDown(empty), 1);
}

// Blocks on both sides of the bulk size (and one large enough to be
// populated in parts, of a length no part divides) start zero without being
// written, hold what is written to them, and copy between the two kinds of
// storage.
TEST(Storage, BlocksOfEverySizeStartZeroAndHoldTheirValues) {
  for (const std::size_t count : {std::size_t{1}, kBulkBytes / 8 - 1, kBulkBytes / 8, 3 * kBulkBytes / 8 + 5,
                                  (std::size_t{41} << 20) / 8 + 1543}) {
    auto d = dAlloc(count);
    ASSERT_EQ(d.size(), count);
    EXPECT_TRUE(std::all_of(d.begin(), d.end(), [](double v) { return v == 0 && !std::signbit(v); })) << count;
    for (std::size_t k = 0; k < count; k += 511) d[k] = static_cast<double>(k) + 0.5;
    d.back() = -1;
    const BulkVector<double> copy = d;
    EXPECT_EQ(copy, d) << count;
    EXPECT_EQ(std::vector<double>(d.begin(), d.end()).back(), -1.0);
  }
  BulkVector<SpVec> cols(kBulkBytes / sizeof(SpVec) + 1);  // not all-bits-zero types are built as usual
  EXPECT_EQ(cols.back().nz, 0);
  EXPECT_EQ(cols.back().ind, nullptr);
}

}  // namespace

// ---- the workers that format the report ----

TEST(Workers, EveryTaskRunsOnceAndFailuresReachTheirFuture) {
  for (std::size_t workers : {std::size_t{0}, std::size_t{1}, std::size_t{3}}) {
    SCOPED_TRACE(workers);
    std::vector<int> ran(200);
    {
      WorkerPool pool(workers);
      std::vector<std::future<void>> done;
      for (std::size_t k = 0; k < ran.size(); ++k)
        done.push_back(pool.Submit([&ran, k] {
          ran[k] += 1;
          if (k % 50 == 7) throw PostError("task " + std::to_string(k));
        }));
      for (std::size_t k = 0; k < done.size(); ++k) {
        if (k % 50 == 7) EXPECT_THROW(done[k].get(), PostError);
        else done[k].get();
      }
    }
    EXPECT_EQ(std::count(ran.begin(), ran.end(), 1), static_cast<long>(ran.size()));
  }
}
