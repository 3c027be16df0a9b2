// Read primitives, the case writer that feeds them, and the data records
// (MATRIX, HEADER, COLMAP, ROWMAP) with the checks made while reading them.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <random>

#include "harness.h"

namespace {

std::string Raw(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

InFile Mem(const std::string& bytes) { return MemIn("mem.bin", bytes); }

// The message of the PostError that fn throws; a test failure if it throws none.
std::string FailureOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const PostError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no PostError thrown";
  return "";
}

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// ---- primitives ----

TEST(ReaderPrimitives, ReadLittleEndianValues) {
  InFile f = Mem(Raw({0xff, 0x7f, 0x80,                   // bytes
                      0x01, 0x02, 0x03, 0x04,             // 0x04030201
                      0xff, 0xff, 0xff, 0xff,             // -1
                      0x00, 0x00, 0x00, 0x80,             // INT_MIN
                      0, 0, 0, 0, 0, 0, 0xf0, 0x3f,       // 1.0
                      0, 0, 0, 0, 0, 0, 0, 0x80,          // -0.0
                      0x01, 0, 0, 0, 0, 0, 0, 0,          // smallest subnormal
                      0x9a, 0x99, 0x99, 0x99, 0x99, 0x99, 0xb9, 0x3f}));  // 0.1
  EXPECT_EQ(cGet(f), -1);
  EXPECT_EQ(cGet(f), 127);
  EXPECT_EQ(cGet(f), -128);
  EXPECT_EQ(iGet(f), 0x04030201);
  EXPECT_EQ(iGet(f), -1);
  EXPECT_EQ(iGet(f), INT_MIN);
  EXPECT_EQ(dGet(f), 1.0);
  EXPECT_EQ(Bits(dGet(f)), 0x8000000000000000u);
  EXPECT_EQ(Bits(dGet(f)), 1u);
  EXPECT_EQ(dGet(f), 0.1);
  EXPECT_EQ(f.pos, f.size);
  EXPECT_EQ(f.left(), 0u);
}

TEST(ReaderPrimitives, ShortReadFailsWithoutMovingAndNamesWhere) {
  InFile f = Mem(Raw({1, 2, 3}));
  std::string msg = FailureOf([&] { iGet(f); });
  EXPECT_NE(msg.find("mem.bin"), std::string::npos) << msg;
  EXPECT_EQ(f.pos, 0u);
  EXPECT_EQ(cGet(f), 1);  // the failed read consumed nothing
  EXPECT_THROW(dGet(f), PostError);
  EXPECT_EQ(cGet(f), 2);
  EXPECT_EQ(cGet(f), 3);
  EXPECT_THROW(cGet(f), PostError);

  InFile g = Mem(std::string(7, '\0'));
  g.enter(3, 40);
  SetRecordCode(g, AsInt(DOMROW));
  msg = FailureOf([&] { dGet(g); });
  for (const char* part : {"mem.bin", "record 3", "DOMROW", "40"})
    EXPECT_NE(msg.find(part), std::string::npos) << part << " in: " << msg;
}

// ---- case writer ----

TEST(ReaderCase, DoublesRoundTripBitForBit) {
  CaseFiles files = ParseCase(
      "solution -1 2 0 x [ -0 4.9406564584124654e-324 2.2250738585072009e-308 0x1p-3\n"
      "  inf -inf 1.7976931348623157e308 0.1 nan -nan ]");
  InFile f = Mem(files.sol);
  EXPECT_EQ(iGet(f), -1);
  EXPECT_EQ(iGet(f), 2);
  EXPECT_EQ(iGet(f), 0);
  const std::uint64_t exact[] = {0x8000000000000000u, 0x1u, 0x000fffffffffffffu,
                                 0x3fc0000000000000u, 0x7ff0000000000000u, 0xfff0000000000000u,
                                 0x7fefffffffffffffu, 0x3fb999999999999au};
  for (std::uint64_t bits : exact)
    EXPECT_EQ(Bits(dGet(f)), bits);
  double nan = dGet(f), negnan = dGet(f);
  EXPECT_TRUE(std::isnan(nan));
  EXPECT_FALSE(std::signbit(nan));
  EXPECT_TRUE(std::isnan(negnan));
  EXPECT_TRUE(std::signbit(negnan));
  EXPECT_EQ(f.left(), 0u);
}

TEST(ReaderCase, RecordsAndStackFollowTheFileLayout) {
  CaseFiles files = ParseCase("solution 0 0 0\nNULROW 1\nFORROW 2 l 1 0.5 2 3 { 0 1.25 } e\n");
  InFile f = Mem(files.bin);
  EXPECT_EQ(iGet(f), AsInt(NULROW));
  EXPECT_EQ(iGet(f), 1);
  EXPECT_EQ(iGet(f), AsInt(FORROW));
  EXPECT_EQ(iGet(f), 2);
  EXPECT_EQ(cGet(f), 'l');
  EXPECT_EQ(iGet(f), 1);
  EXPECT_EQ(dGet(f), 0.5);
  EXPECT_EQ(dGet(f), 2.0);
  EXPECT_EQ(dGet(f), 3.0);
  EXPECT_EQ(iGet(f), 0);
  EXPECT_EQ(dGet(f), 1.25);
  EXPECT_LT(iGet(f), 0);  // end of the entry list
  EXPECT_EQ(cGet(f), 'e');
  EXPECT_EQ(f.left(), 0u);

  InFile s = Mem(files.stk);  // offsets, then their count
  EXPECT_EQ(iGet(s), 0);
  EXPECT_EQ(iGet(s), 8);
  EXPECT_EQ(iGet(s), 2);
  EXPECT_EQ(s.left(), 0u);
}

TEST(ReaderCase, MalformedLineFailsNamingIt) {
  std::string msg = FailureOf([] { ParseCase("solution 0 0 0\nNULROW 1\n\nDUPROW 1 x 2\n"); });
  EXPECT_NE(msg.find("case line 4"), std::string::npos) << msg;
  msg = FailureOf([] { ParseCase("solution 0 0 0\n# comment\nNOSUCH 1\n"); });
  EXPECT_NE(msg.find("case line 3"), std::string::npos) << msg;
  msg = FailureOf([] { ParseCase("solution 0 0 0\nHEADER \"open\nrlo [ ]"); });
  EXPECT_NE(msg.find("case line 2"), std::string::npos) << msg;
  EXPECT_THROW(ParseCase("NULROW 1"), PostError);  // the solution line comes first
}

// ---- data records ----

TEST(ReaderMatrix, LoadsCostsAndColumnsAsConsecutiveSlices) {
  PostData pd = Space(3, "EE");
  Apply(pd, "MATRIX c [ 1 -2 0.5 ] ( 0 1.5  1 -1 ) ( ) ( 1 4 )");
  EXPECT_EQ(pd.n, 3);
  EXPECT_EQ(pd.nz, 3);
  EXPECT_EQ(pd.c, (BulkVector<double>{1, -2, 0.5}));
  ASSERT_TRUE(pd.A);
  const SpMat& A = *pd.A;
  ASSERT_EQ(A.n, 3);
  ASSERT_EQ(A.col.size(), 3u);
  ASSERT_EQ(A.col[0].nz, 2);
  EXPECT_EQ(A.col[0].ind[0], 0);
  EXPECT_EQ(A.col[0].ind[1], 1);
  EXPECT_EQ(A.col[0].val[0], 1.5);
  EXPECT_EQ(A.col[0].val[1], -1.0);
  EXPECT_EQ(A.col[1].nz, 0);
  ASSERT_EQ(A.col[2].nz, 1);
  EXPECT_EQ(A.col[2].ind, A.col[0].ind + 2);
  EXPECT_EQ(A.col[2].val, A.col[0].val + 2);
  EXPECT_EQ(A.col[2].ind[0], 1);
  EXPECT_EQ(A.col[2].val[0], 4.0);

  pd = Space(2, "E");
  Apply(pd, "MATRIX c [ 1 2 ] ( ) ( )");
  EXPECT_EQ(pd.nz, 0);
  EXPECT_EQ(pd.A->col[0].nz, 0);
  EXPECT_EQ(pd.A->col[1].nz, 0);
}

TEST(ReaderMatrix, EntryCountAboveTheStoredEntriesIsFine) {
  // nz 3, one entry stored: room for two more entries' bytes follows
  PostData pd = Space(2, "EE");
  Apply(pd, "raw 5 i 3 i 2 d 1 d 2  i 1 i 1 d 1.5  i 0  gap 24");
  ASSERT_TRUE(pd.A);
  ASSERT_EQ(pd.A->col[0].nz, 1);
  EXPECT_EQ(pd.A->col[0].ind[0], 1);
  EXPECT_EQ(pd.A->col[0].val[0], 1.5);
  EXPECT_EQ(pd.A->col[1].nz, 0);
  EXPECT_EQ(pd.c, (BulkVector<double>{1, 2}));
}

TEST(ReaderMatrix, InconsistentCountsAndIndicesFail) {
  const struct {
    int ncols;
    const char* rtypes;
    const char* rec;
  } bad[] = {
      {2, "EE", "raw 5 i 1 i 2 d 1 d 2  i 1 i 0 d 1.5  i 1 i 1 d 2"},  // counts 1+1 > nz 1
      {3, "EE", "MATRIX c [ 1 2 ] ( 0 1 ) ( )"},                        // 2 columns, header 3
      {1, "EE", "MATRIX c [ 1 ] ( 2 1 )"},                              // row 2 of 2 rows
      {1, "EE", "MATRIX c [ 1 ] ( -1 1 )"},
      {1, "E", "raw 5 i 1 i 1 d 1  i -1"},                              // negative column count
      {1, "E", "raw 5 i -1 i 1 d 1  i 0"},                              // negative nz
      {1, "E", "raw 5 i 0 i 2000000000 d 1"},                           // more columns than bytes
      {1, "E", "raw 5 i 4 i 1 d 1  i 4 i 0 i 0"},                       // entries cut off
  };
  for (const auto& c : bad) {
    PostData pd = Space(c.ncols, c.rtypes);
    EXPECT_THROW(Apply(pd, c.rec), PostError) << c.rec;
  }
}

TEST(ReaderMatrix, WholeRunRejectsAnEntryCountTheFileCannotHold) {
  const std::string head =
      "solution 0 1 1 x [ 2 ] y [ 0.5 ] z [ 0 ]\n"
      "HEADER \"tiny\" rlo [ 0 ] rup [ 10 ] rtype \"L\" clo [ 0 ] cup [ 5 ]\n"
      "names \"R1\" \"C1\"\n";
  const std::string maps = "COLMAP [ 0 ]\nROWMAP [ 0 ]\n";
  {
    TempDir dir;
    RunResult r = RunCase(dir, head + "raw 5 i 1000000 i 1 d 3  i 1 i 0 d 1.5\n" + maps);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("MATRIX"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("entry count 1000000"), std::string::npos) << r.err;
    EXPECT_FALSE(dir.Exists("tiny.rpt"));
  }
  {
    TempDir dir;
    RunResult r = RunCase(dir, head + "raw 5 i 0 i 1 d 3  i 1 i 0 d 1.5\n" + maps);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("MATRIX"), std::string::npos) << r.err;
    EXPECT_FALSE(dir.Exists("tiny.rpt"));
  }
}

TEST(ReaderHeader, LoadsDimensionsNameBoundsAndTypes) {
  PostData pd;
  Apply(pd, "HEADER \"\" rlo [ 1 -1e30 ] rup [ 2 3 ] rtype \"GL\" clo [ 0 ] cup [ 9 ]");
  EXPECT_EQ(pd.m, 2);
  EXPECT_EQ(pd.n, 1);
  EXPECT_EQ(pd.name, "");
  EXPECT_EQ(pd.rlo, (BulkVector<double>{1, -1e30}));
  EXPECT_EQ(pd.rup, (BulkVector<double>{2, 3}));
  EXPECT_EQ(pd.rtype, (BulkVector<char>{'G', 'L'}));
  EXPECT_EQ(pd.clo, (BulkVector<double>{0}));
  EXPECT_EQ(pd.cup, (BulkVector<double>{9}));
  EXPECT_EQ(pd.fbin.left(), 0u);  // the name section would start here

  pd = PostData();
  Apply(pd, "HEADER \"nineteen-characters\" rlo [ ] rup [ ] rtype \"\" clo [ ] cup [ ]");
  EXPECT_EQ(pd.name, "nineteen-characters");
  pd = PostData();
  EXPECT_THROW(Apply(pd, "raw 7 i 0 i 0 i 20 s \"abcdefghijklmnopqrst\""), PostError);
  EXPECT_THROW(Apply(pd, "raw 7 i 2 i 0 i 0 d 1 d 2 d 3"), PostError);  // bounds cut off
}

TEST(ReaderMaps, SpreadReducedValuesAndZeroTheRemoved) {
  PostData pd;
  pd.n = 3;
  pd.m = 2;
  pd.nc = 2;
  pd.nr = 1;
  pd.xr = {10, 20};
  pd.zr = {-1, -2};
  pd.yr = {7};
  Apply(pd, "COLMAP [ 1 -1 0 ]");
  EXPECT_EQ(pd.x, (BulkVector<double>{20, 0, 10}));
  EXPECT_EQ(pd.z, (BulkVector<double>{-2, 0, -1}));
  EXPECT_EQ(pd.cmapn, 3);
  Apply(pd, "ROWMAP [ -5 0 ]");
  EXPECT_EQ(pd.y, (BulkVector<double>{0, 7}));
  EXPECT_EQ(pd.rmapn, 2);
  EXPECT_THROW(Apply(pd, "COLMAP [ 0 2 1 ]"), PostError);  // reduced column 2 of 2
  EXPECT_THROW(Apply(pd, "ROWMAP [ 1 0 ]"), PostError);
}

TEST(ReaderDispatch, CodesOutsideTheTableReadNothing) {
  for (const char* rec : {"raw 16 i 5 i 6", "raw -1 i 5", "raw 1000 i 5"}) {
    PostData pd = Space(1, "E");
    pd.x[0] = 3;
    Apply(pd, rec);
    EXPECT_EQ(pd.fbin.pos, 4u) << rec;  // only the code
    EXPECT_EQ(pd.x[0], 3.0);
    EXPECT_EQ(pd.ndomcol + pd.nnulrow + pd.nforrow, 0);
  }
}

// Record 0 is replayed last and leaves the header it holds, even when another
// HEADER record replayed before it changed the sizes, bounds and name.
TEST(ReaderDispatch, RecordZeroRestoresTheHeaderAnotherOneChanged) {
  const char* const two = R"(
solution 1 1 1 x [2] y [0.5] z [0]
HEADER "first" rlo [1] rup [4] rtype "L" clo [0] cup [10]
names "r" "c"
MATRIX c [1] (0 1)
HEADER "other" rlo [7 8] rup [9 9] rtype "EG" clo [-1] cup [3]
COLMAP [0]
ROWMAP [0 0]
)";
  PostData pd;
  Replay(pd, ParseCase(two));
  EXPECT_EQ(pd.name, "first");
  EXPECT_EQ(pd.m, 1);
  EXPECT_EQ(pd.rlo, (BulkVector<double>{1}));
  EXPECT_EQ(pd.rtype, (BulkVector<char>{'L'}));
  EXPECT_EQ(pd.cup, (BulkVector<double>{10}));
  EXPECT_EQ(NextName(pd.fbin, "row", 0), "r");  // and the file is at the name section
}

// ---- reading through the window ----

// A file on disk larger than several windows, read at random places forwards
// and backwards, in single values and in blocks below and above the size that
// bypasses the window, gives the same bytes as the file held in memory.
TEST(ReaderWindow, RandomReadsOnDiskMatchTheFileInMemory) {
  const std::size_t size = 3 * InFile::kWindow + 12345;
  std::string bytes(size, '\0');
  std::mt19937 rng(20240611);
  for (char& b : bytes) b = static_cast<char>(rng());
  TempDir dir;
  dir.Write("big.bin", bytes);
  InFile disk = OpenIn(dir.File("big.bin"));
  InFile mem = MemIn("big.bin", bytes);
  ASSERT_EQ(disk.size, size);

  std::vector<std::size_t> lengths{1, 4, 8, 4095, 65536, InFile::kWindow / 4 - 1, InFile::kWindow / 4,
                                   InFile::kWindow - 3, InFile::kWindow + 17};
  std::vector<char> got, want;
  std::size_t pos = size;  // start at the end, as the replay does
  for (int step = 0; step < 400; ++step) {
    const std::size_t n = lengths[rng() % lengths.size()];
    // Mostly just before the previous read (the replay's walk), sometimes anywhere.
    if (rng() % 4 != 0 && pos >= n + 64) pos -= n + rng() % 64;
    else pos = rng() % (size - n + 1);
    if (InFile::kWindow * 2 > n && rng() % 8 == 0) pos = InFile::kWindow * 2 - n / 2;  // straddle a multiple
    disk.seek(pos);
    mem.seek(pos);
    if (n == 4) {
      ASSERT_EQ(iGet(disk), iGet(mem)) << "int at " << pos;
    } else if (n == 8) {
      ASSERT_EQ(Bits(dGet(disk)), Bits(dGet(mem))) << "double at " << pos;
    } else {
      got.assign(n, 0);
      want.assign(n, 0);
      disk.Copy(got.data(), n);
      mem.Copy(want.data(), n);
      ASSERT_TRUE(got == want) << n << " bytes at " << pos;
    }
    ASSERT_EQ(disk.pos, pos + n);
    ASSERT_EQ(mem.pos, pos + n);
  }
  disk.seek(size - 3);
  EXPECT_THROW(iGet(disk), PostError);  // past the end on disk as in memory
}

// Regression: a zero-length bulk read into an empty array (whose data pointer
// is null) at a position inside the window. Under the undefined-behaviour
// sanitizer this fails while InFile::Copy passes the null destination on to
// memcpy; a HEADER with no rows, or a MATRIX column with no entries in a
// matrix of none, does exactly this.
TEST(ReaderFault, EmptyBulkReadIntoAnEmptyArray) {
  InFile f = Mem(Raw({1, 2, 3, 4}));
  std::vector<int> none;
  std::vector<double> nothing;
  iGetN(f, none.data(), 0);
  dGetN(f, nothing.data(), 0);
  EXPECT_EQ(f.pos, 0u);
  PostData pd;
  Apply(pd, "HEADER \"empty\" rlo [] rup [] rtype \"\" clo [] cup []");
  EXPECT_EQ(pd.m, 0);
  EXPECT_EQ(pd.n, 0);
}

}  // namespace
