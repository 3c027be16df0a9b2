// A record file of several MiB, read through a window of InFile::kWindow
// bytes: a big matrix, bulk arrays larger than the window, long names and
// thousands of small records of every kind spread on both sides of the
// matrix, so that records, arrays and names straddle window boundaries while
// the replay walks the file backwards. Replayed from disk it must give, bit
// for bit, what the same bytes give held whole in memory; cut near a window
// boundary it must fail cleanly, with the message the memory run gives.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "harness.h"

namespace {

// Builds the big case with the case writer. Every value comes from a seeded
// generator, so the case is the same on every run.
CaseFiles BigCase() {
  const int m = 40000, n = 12000, perCol = 12;
  std::mt19937 rng(7);
  auto pick = [&](int below) { return static_cast<int>(rng() % static_cast<unsigned>(below)); };
  auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  auto list = [&](int below) {
    std::vector<std::pair<int, double>> entries;
    for (int e = 1 + pick(5); e > 0; --e) entries.emplace_back(pick(below), real(-3, 3));
    return entries;
  };

  // Reduced problem: every seventh column and every fifth row removed.
  std::vector<int> cmap(n), rmap(m);
  int nc = 0, nr = 0;
  for (int j = 0; j < n; ++j) cmap[j] = j % 7 == 0 ? -1 : nc++;
  for (int i = 0; i < m; ++i) rmap[i] = i % 5 == 0 ? -1 : nr++;
  std::vector<double> x(nc), y(nr), z(nc);
  for (double& v : x) v = real(0, 10);
  for (double& v : y) v = real(-1, 1);
  for (double& v : z) v = real(-1, 1);

  ByteWriter bin;
  std::vector<int> offsets;
  auto start = [&](RecordCode code) {
    offsets.push_back(static_cast<int>(bin.s.size()));
    bin.code(code);
  };

  start(HEADER);  // record 0: bounds and types of 40000 rows, 12000 columns
  bin.i32(m);
  bin.i32(n);
  bin.name("a-long-problem-name");
  for (int i = 0; i < m; ++i) bin.f64(-real(0, 100));
  for (int i = 0; i < m; ++i) bin.f64(real(0, 100));
  for (int i = 0; i < m; ++i) bin.byte("ELGR"[pick(4)]);
  for (int j = 0; j < n; ++j) bin.f64(pick(9) == 0 ? -1e30 : 0.0);
  for (int j = 0; j < n; ++j) bin.f64(pick(9) == 0 ? 1e30 : real(1, 50));
  // Names of 1 to 120 bytes.
  for (int k = 0; k < m + n; ++k) {
    std::string name = (k < m ? "row" : "col") + std::to_string(k);
    name.resize(static_cast<std::size_t>(1 + pick(120)), '_');
    bin.name(name);
  }

  // One small record of a random kind, in the full index space.
  auto small = [&] {
    switch (pick(12)) {
      case 0: start(NULCOL); bin.i32(pick(n)); bin.f64(real(0, 5)); bin.f64(real(-1, 1)); break;
      case 1: start(LOWBND); bin.i32(pick(n)); bin.f64(real(0, 5)); break;
      case 2: start(MINBND); bin.i32(pick(n)); bin.f64(real(0, 5)); break;
      case 3: start(NULROW); bin.i32(pick(m)); break;
      case 4: start(DUPROW); bin.i32(pick(m)); bin.i32(pick(m)); bin.f64(real(-2, 2)); break;
      case 5: start(pick(2) ? FIXCOL : DOMCOL); bin.i32(pick(n)); bin.f64(real(0, 5)); bin.f64(real(-1, 1));
              bin.list(list(m)); break;
      case 6: start(SGLROW); bin.i32(pick(m)); bin.i32(pick(n)); bin.f64(real(0, 5)); bin.f64(real(0.5, 2));
              bin.f64(real(-1, 1)); bin.list(list(m)); break;
      case 7: start(DOMROW); bin.i32(pick(m)); bin.i32(pick(n)); bin.f64(real(-5, 5)); bin.f64(real(0.5, 2));
              bin.f64(real(-1, 1)); bin.list(list(n)); break;
      case 8: start(DBLROW); bin.i32(pick(m)); bin.i32(pick(n)); bin.i32(pick(n));
              for (int v = 0; v < 5; ++v) bin.f64(real(0.5, 2));
              bin.i32(1); bin.f64(0); bin.i32(pick(2)); bin.f64(real(0, 10));  // binding when x_k is 0
              bin.list(list(m)); break;
      case 9: start(FORROW); bin.i32(pick(m)); bin.byte(pick(2) ? 'l' : 'u'); bin.i32(pick(n));
              bin.f64(real(0, 5)); bin.f64(real(0.5, 2)); bin.f64(real(-1, 1)); bin.list(list(m)); bin.byte('e'); break;
      case 10: start(DUPCOL); bin.i32(pick(n)); bin.i32(pick(n)); bin.f64(real(0.5, 2));
               bin.f64(0); bin.f64(real(1, 9)); bin.f64(0); bin.f64(pick(2) ? 1e30 : real(1, 9)); break;
      default: start(NULROW); bin.i32(pick(m)); break;
    }
  };
  for (int k = 0; k < 3000; ++k) small();

  start(MATRIX);  // 144000 entries
  bin.i32(n * perCol);
  bin.i32(n);
  for (int j = 0; j < n; ++j) bin.f64(real(-5, 5));
  for (int j = 0; j < n; ++j) {
    bin.i32(perCol);
    for (int e = 0; e < perCol; ++e) bin.i32((j * 31 + e * 3337) % m);
    for (int e = 0; e < perCol; ++e) bin.f64(real(-4, 4));
  }

  for (int k = 0; k < 3000; ++k) small();
  start(COLMAP);
  bin.i32(n);
  bin.ints(cmap);
  start(ROWMAP);
  bin.i32(m);
  bin.ints(rmap);
  return {SolutionBytes(0, nc, nr, x, y, z), StackBytes(offsets), bin.s};
}

const CaseFiles& Big() {
  static const CaseFiles big = BigCase();
  return big;
}

// Bit patterns, so that NaNs and signed zeros compare too.
bool SameBits(const BulkVector<double>& a, const BulkVector<double>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

TEST(Window, TheBigCaseSpansSeveralWindows) {
  const CaseFiles& f = Big();
  EXPECT_GT(f.bin.size(), 4 * InFile::kWindow);
  EXPECT_GT(f.sol.size(), InFile::kWindow / 4);  // read in bulk past the window
  EXPECT_EQ(Offsets(f).size(), 6004u);
}

TEST(Window, ReplayFromDiskEqualsReplayFromMemoryBitForBit) {
  const CaseFiles& f = Big();
  TempDir dir;
  WriteCaseFiles(f, dir.path());
  PostData disk, mem;
  std::string diskReport, memReport;
  {
    InDir in(dir.path());
    Replay(disk);
    diskReport = ReadFile(OutRept(disk));
    Replay(mem, f);
    memReport = ReadFile(OutRept(mem));
  }
  for (auto member : {&PostData::x, &PostData::y, &PostData::z, &PostData::ax, &PostData::atyc})
    EXPECT_TRUE(SameBits(disk.*member, mem.*member));
  EXPECT_EQ(disk.x.size(), 12000u);
  EXPECT_EQ(disk.warnings.Lines(), mem.warnings.Lines());
    for (int count : {disk.ndomcol, disk.ndupcol, disk.nfixcol, disk.nnulcol, disk.nlowbnd, disk.nminbnd,
                    disk.ndblrow, disk.ndomrow, disk.nduprow, disk.nforrow, disk.nnulrow, disk.nsglrow})
    EXPECT_GT(count, 0);  // every kind replayed
  EXPECT_TRUE(diskReport == memReport);
  EXPECT_EQ(CountLines(diskReport), 40000 + 12000 + 14);

  // The executable, on the file as written and laid out in replay order,
  // where the walk through the file runs forwards instead.
  for (const CaseFiles& layout : {f, InReplayOrder(f)}) {
    TempDir run;
    Outcome exe;
    ASSERT_TRUE(RunsCleanly(layout, run, exe));
    EXPECT_NE(exe.status, 1) << exe;
    EXPECT_TRUE(exe.report == memReport);
  }
}

TEST(Window, CutsAroundWindowBoundariesFailCleanlyAsInMemory) {
  const CaseFiles& f = Big();
  const CaseFiles replayOrder = InReplayOrder(f);
  const std::size_t w = InFile::kWindow, size = f.bin.size();
  struct Cut {
    const CaseFiles* layout;
    std::size_t len;
  };
  std::vector<Cut> cuts;
  // In replay order, every record before the cut is replayed first; as
  // written, the cut falls a window or two before the end, where the
  // backwards walk starts.
  for (std::size_t k = 1; k * w < size; ++k)
    for (std::size_t len : {k * w - 1, k * w, k * w + 1}) cuts.push_back({&replayOrder, len});
  for (std::size_t back : {std::size_t{1}, w - 1, w, w + 1, 2 * w}) cuts.push_back({&f, size - back});

  std::vector<CaseFiles> inputs;
  std::vector<Outcome> inMemory;
  TempDir dir;
  for (const Cut& c : cuts) {
    inputs.push_back(*c.layout);
    inputs.back().bin.resize(c.len);
    inMemory.push_back(RunInMemory(inputs.back(), dir));
    EXPECT_EQ(inMemory.back().status, 1) << c.len << ": " << inMemory.back();
    EXPECT_TRUE(inMemory.back().message.starts_with(std::string(BINFILE) + ": record ")) << inMemory.back();
  }
  std::vector<std::string> problems(cuts.size());
  ForEachInParallel(cuts.size(), [&](const TempDir& run, std::size_t i) {
    Outcome exe;
    testing::AssertionResult clean = RunsCleanly(inputs[i], run, exe);
    if (!clean) problems[i] = clean.message();
    else if (!(exe == inMemory[i])) problems[i] = testing::PrintToString(exe);
  });
  for (std::size_t i = 0; i < cuts.size(); ++i)
    EXPECT_TRUE(problems[i].empty()) << (cuts[i].layout == &f ? "as written" : "in replay order") << ", cut to "
                                     << cuts[i].len << ": " << problems[i] << "\n  in memory: " << inMemory[i];
}

// The report of the big case is several times the writer's buffer: the disk
// filling after the first flushes still leaves no partial report behind, and
// the earlier report whole.
TEST(Window, DiskFillingAfterTheFirstMegabytesLeavesNothing) {
  const std::string earlier = "an earlier run's report\n";
  for (long limit : {long{3} << 20, long{6} << 20}) {
    TempDir dir;
    WriteCaseFiles(Big(), dir.path());
    dir.Write("a-long-problem-name.rpt", earlier);
    RunResult r = RunPostsolve(dir.path(), limit);
    EXPECT_EQ(r.status, 1) << limit;
    EXPECT_EQ(r.out, kBanner);
    EXPECT_TRUE(r.err.starts_with("postsolve: a-long-problem-name.rpt: write error: ")) << r.err;
    EXPECT_EQ(CountLines(r.err), 1);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"a-long-problem-name.rpt", BINFILE, SOLFILE, STKFILE}));
    EXPECT_EQ(dir.Read("a-long-problem-name.rpt"), earlier);
  }
}

}  // namespace
