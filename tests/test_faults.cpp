// The real executable on broken and hostile input. A failed run exits with
// status 1, prints the banner alone on standard output and exactly one line
// "postsolve: <file>: ..." on standard error, and leaves neither a report nor
// its temporary file behind. Degenerate data the replay carries through ends
// with status 2: a full report, the normal log and one warning per record.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"

namespace {

const std::string kInputs[] = {SOLFILE, STKFILE, BINFILE};

// One L row, two columns, nothing reduced.
const std::string kSol = "solution 0 2 1 x [1 2] y [3] z [4 5]\n";
const std::string kHead = "HEADER \"t\" rlo [0] rup [1] rtype \"L\" clo [0 0] cup [1 1]\nnames \"r\" \"x\" \"y\"\n";
const std::string kMatrix = "MATRIX c [1 1] (0 1) (0 2)\n";
const std::string kMaps = "COLMAP [0 1]\nROWMAP [0]\n";

// The small problem with `middle` records between MATRIX (record 1) and the maps.
std::string Small(const std::string& middle) { return kSol + kHead + kMatrix + middle + kMaps; }

// Record 0 written item by item, name section included.
std::string RawHead(const std::string& m, const std::string& n, const std::string& len,
                    const std::string& name, const std::string& lastNameLen = "1") {
  return "raw 7 i " + m + " i " + n + " i " + len + " s \"" + name +
         "\" d 0 d 1 b 76 d 0 d 0 d 1 d 1  i 1 s \"r\" i 1 s \"x\" i " + lastNameLen + " s \"y\"\n";
}

// How a message about record `index` of the record file begins.
std::string RecordHead(const CaseFiles& f, std::size_t index) {
  const std::size_t off = Offsets(f)[index];
  return std::string(BINFILE) + ": record " + std::to_string(index) + " " + CodeName(I32(f.bin, off)) +
         " at offset " + std::to_string(off) + ": ";
}

// Files in the directory besides the inputs and `keep`.
std::string Stray(const TempDir& dir, const std::string& keep = "") {
  std::string stray;
  for (const std::string& name : dir.List())
    if (std::find(std::begin(kInputs), std::end(kInputs), name) == std::end(kInputs) && name != keep)
      stray += " " + name;
  return stray;
}

// The failure contract, with standard error starting "postsolve: " + head.
testing::AssertionResult Failed(const TempDir& dir, const RunResult& r, const std::string& head,
                                const std::string& out = kBanner, const std::string& keep = "") {
  std::string why;
  if (r.status != 1) why = "exit status " + std::to_string(r.status);
  else if (r.out != out) why = "standard output differs";
  else if (CountLines(r.err) != 1 || r.err.back() != '\n') why = "not one line on standard error";
  else if (!r.err.starts_with("postsolve: " + head)) why = "message does not start 'postsolve: " + head + "'";
  else if (!Stray(dir, keep).empty()) why = "left behind:" + Stray(dir, keep);
  if (why.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << why << "\n  stderr: " << r.err << "  stdout: " << r.out;
}

TEST(FaultInputs, MissingOrIrregularInputFileFails) {
  for (const std::string& file : kInputs) {
    for (const char* kind : {"missing", "directory", "fifo", "device"}) {
      TempDir dir;
      WriteCaseFiles(ParseCase(Small("")), dir.path());
      ::unlink(dir.File(file).c_str());
      const std::string k = kind;
      if (k == "directory") ::mkdir(dir.File(file).c_str(), 0755);
      if (k == "fifo") ::mkfifo(dir.File(file).c_str(), 0644);  // must not wait for a writer
      if (k == "device") {
        ASSERT_EQ(::symlink("/dev/zero", dir.File(file).c_str()), 0);
      }
      EXPECT_TRUE(Failed(dir, RunPostsolve(dir.path()), file + ": ")) << file << " " << kind;
    }
  }
}

// Runs postsolve on every proper prefix of one input file of `f` (under the
// sanitizers one prefix in every four, see DamageSample), a few runs at a
// time; head(len) says how the message must begin.
testing::AssertionResult EveryPrefixFails(const CaseFiles& f, const std::string& file,
                                          const std::function<std::string(std::size_t)>& head) {
  const std::string& bytes = FileOf(f, file);
  std::vector<std::size_t> all(bytes.size());
  std::iota(all.begin(), all.end(), std::size_t{0});
  const std::vector<std::size_t> lens = DamageSample::Get().Thin(all, 4);
  std::vector<testing::AssertionResult> results(lens.size(), testing::AssertionSuccess());
  ForEachInParallel(lens.size(), [&](const TempDir& dir, std::size_t i) {
    WriteCaseFiles(f, dir.path());
    dir.Write(file, bytes.substr(0, lens[i]));
    RunResult r = RunPostsolve(dir.path());
    results[i] = Failed(dir, r, head(lens[i])) << "  (" << file << " cut to " << lens[i] << " bytes)"
                                               << DamageSample::Get().Repeat();
  });
  for (const auto& res : results)
    if (!res) return res;
  return testing::AssertionSuccess();
}

TEST(FaultTruncation, EveryPrefixOfTheRecordFileFailsInTheRecordItCuts) {
  const CaseFiles natural = ParseCase(CaseText("mixed"));
  const std::size_t last = Offsets(natural).size() - 1;  // the first record replayed
  // HEADER and its names first, then the records in replay order: a cut
  // inside record k leaves every record replayed before it whole. Record 1,
  // last in the file, is the FORROW whose run a cut before 'e' leaves open.
  const CaseFiles f = InReplayOrder(natural);
  const std::vector<std::size_t> off = Offsets(f);
  ByteWriter names;
  for (const char* name : {"a", "b", "x", "y"}) names.name(name);
  const std::size_t headerEnd = off[last] - names.s.size();

  auto cutRecord = [&](std::size_t len) {
    // The record the cut falls in; in the name section, the first one replayed.
    std::size_t k = 0;
    for (std::size_t i = 1; i < off.size(); ++i)
      if (off[i] <= len && off[i] > off[k]) k = i;
    if (k == 0 && len >= headerEnd) k = last;
    // Without a whole code, the message names the record and its offset only.
    return len >= off[k] + 4 ? RecordHead(f, k)
                             : std::string(BINFILE) + ": record " + std::to_string(k) + ": offset " + std::to_string(off[k]);
  };
  EXPECT_TRUE(EveryPrefixFails(f, BINFILE, cutRecord));

  // Rearranged, the whole file gives the report of the original order, and
  // what follows its last record is never read.
  TempDir dir;
  WriteCaseFiles(natural, dir.path());
  ASSERT_EQ(RunPostsolve(dir.path()).status, 0);
  const std::string report = dir.Read("t.rpt");
  WriteCaseFiles(f, dir.path());
  EXPECT_EQ(RunPostsolve(dir.path()).status, 0);
  EXPECT_EQ(dir.Read("t.rpt"), report);
  dir.Write(BINFILE, f.bin + std::string(7, '\xff'));
  dir.Write(SOLFILE, f.sol + "trailing");
  EXPECT_EQ(RunPostsolve(dir.path()).status, 0);
  EXPECT_EQ(dir.Read("t.rpt"), report);
}

TEST(FaultTruncation, EveryPrefixOfSolutionAndOffsetStackFails) {
  const CaseFiles f = ParseCase(CaseText("mixed"));
  // Both counts are non-zero, so the values must follow them in full.
  EXPECT_TRUE(EveryPrefixFails(f, SOLFILE, [](std::size_t) { return std::string(SOLFILE) + ": "; }));
  // The count is the last int32: a prefix reads an offset, or a value torn
  // from two, as the count, and the bytes before it cannot hold that many.
  EXPECT_TRUE(EveryPrefixFails(f, STKFILE, [](std::size_t) { return std::string(STKFILE) + ": "; }));
}

TEST(FaultStack, BadCountsAndOffsets) {
  const CaseFiles good = ParseCase(Small(""));
  const int size = static_cast<int>(good.bin.size()), mat = static_cast<int>(Offsets(good)[1]);
  const std::string matrix = std::to_string(mat);
  const struct {
    std::vector<int> ints;  // the whole offset stack
    std::string head;
  } cases[] = {
      {{}, "dravfile.stk: "},
      {{0}, "dravfile.stk: "},
      {{0, mat, 0}, "dravfile.stk: "},
      {{0, mat, -1}, "dravfile.stk: "},
      {{0, mat, 2147483647}, "dravfile.stk: "},
      {{0, mat, 5}, "dravfile.stk: "},
      {{0, size, 2}, "dravfile.bin: record 1: offset " + std::to_string(size)},
      {{0, size - 3, 2}, "dravfile.bin: record 1: offset"},
      {{0, -4, 2}, "dravfile.bin: record 1: offset -4"},
      {{size + 100, 1}, "dravfile.bin: record 0: offset"},
      {{mat, 0, 2}, "dravfile.bin: record 0 MATRIX at offset " + matrix + ": "},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteCaseFiles(good, dir.path());
    ByteWriter stk;
    stk.ints(c.ints);
    dir.Write(STKFILE, stk.s);
    EXPECT_TRUE(Failed(dir, RunPostsolve(dir.path()), c.head)) << testing::PrintToString(c.ints);
  }
}

TEST(FaultRecords, MalformedRecordFailsNamingItsFileAndRecord) {
  const std::string huge = "2147483647";
  const struct {
    const char* what;
    std::string text;
    int rec;  // the record named, -1 for a fault of the file as a whole
    std::string file = BINFILE;
  } cases[] = {
      {"column index beyond the columns", Small("NULCOL 2 0 0\n"), 2},
      {"negative column index", Small("LOWBND -1 1\n"), 2},
      {"row index in an entry list", Small("FIXCOL 0 1 1 {1 1}\n"), 2},
      {"column index in a row's entry list", Small("DOMROW 0 0 1 1 1 {5 1}\n"), 2},
      {"row index beyond the rows", Small("DUPROW 0 1 1\n"), 2},
      {"doubleton's remaining column", Small("DBLROW 0 0 7 1 1 1 1 1 0 0 0 0 {}\n"), 2},
      {"forcing row's column", Small("FORROW 0 l 3 0 1 1 {} e\n"), 2},
      {"forcing row without a row type", kSol + kHead + kMatrix + "FORROW 1 e\nCOLMAP [0 1]\nROWMAP [0 -1]\n", 2},
      {"forcing row coefficient below 1e-13", Small("FORROW 0 l 0 0 1e-14 1 {} e\n"), 2},
      {"forcing row with an empty dual interval", Small("FORROW 0 l 0 0 1 1 {} u 1 0 1 3 {} e\n"), 2},
      {"map entry beyond the reduced columns", kSol + kHead + kMatrix + "COLMAP [0 2]\nROWMAP [0]\n", 2},
      {"map entry beyond the reduced rows", kSol + kHead + kMatrix + "COLMAP [0 1]\nROWMAP [1]\n", 3},
      {"column record before COLMAP", kSol + kHead + kMatrix + "COLMAP [0 1]\nNULCOL 0 1 1\nROWMAP [0]\n", 3},
      {"row record before ROWMAP", kSol + kHead + kMatrix + "ROWMAP [0]\nNULROW 0\nCOLMAP [0 1]\n", 3},
      {"COLMAP shorter than n", kSol + kHead + kMatrix + "COLMAP [0]\nROWMAP [0]\n", 2},
      {"ROWMAP shorter than m", kSol + kHead + kMatrix + "COLMAP [0 1]\nROWMAP []\n", 3},
      {"MATRIX ncols other than n", kSol + kHead + "MATRIX c [1 1 1] (0 1) (0 2) ()\n" + kMaps, 1},
      {"matrix row index at m", kSol + kHead + "MATRIX c [1 1] (1 1) (0 2)\n" + kMaps, 1},
      {"column counts above nz", kSol + kHead + "raw 5 i 1 i 2 d 1 d 1 i 1 i 0 d 1 i 1 i 0 d 2\n" + kMaps, 1},
      {"record 0 not HEADER", kSol + kMatrix + kHead + kMaps, 0},
      {"record 0 of unknown code", kSol + "raw 99\n" + kHead + kMatrix + kMaps, 0},
      {"problem name of 20 bytes", kSol + "HEADER \"abcdefghijklmnopqrst\" rlo [0] rup [1] rtype \"L\" clo [0 0] cup [1 1]\n" +
           "names \"r\" \"x\" \"y\"\n" + kMatrix + kMaps, 0},
      {"name section cut short", kSol + RawHead("1", "2", "1", "t", "1000") + kMatrix + kMaps, 0},
      {"negative name length", kSol + RawHead("1", "2", "1", "t", "-1") + kMatrix + kMaps, 0},
      {"a warning before a failure stays unprinted", Small("NULCOL 5 0 0\nDOMROW 0 1 1 0 1 {}\n"), 2},
      {"no MATRIX", kSol + kHead + kMaps, -1},
      {"no COLMAP", kSol + kHead + kMatrix + "ROWMAP [0]\n", -1},
      {"no ROWMAP", kSol + kHead + kMatrix + "COLMAP [0 1]\n", -1},
      // Counts a tiny file cannot hold fail before anything is allocated.
      {"huge column count in the solution", "solution 0 " + huge + " 1\n" + kHead + kMatrix + kMaps, -1, SOLFILE},
      {"negative row count in the solution", "solution 0 2 -1\n" + kHead + kMatrix + kMaps, -1, SOLFILE},
      {"one count zero, values short", "solution 0 2 0 x [1]\n" + kHead + kMatrix + kMaps, -1, SOLFILE},
      {"huge row count", kSol + RawHead(huge, "2", "1", "t") + kMatrix + kMaps, 0},
      {"huge column count", kSol + RawHead("1", huge, "1", "t") + kMatrix + kMaps, 0},
      {"negative column count", kSol + RawHead("1", "-2", "1", "t") + kMatrix + kMaps, 0},
      {"huge name length", kSol + RawHead("1", "2", "1", "t", huge) + kMatrix + kMaps, 0},
      {"huge entry count of a column", kSol + kHead + "raw 5 i 2 i 2 d 1 d 1 i " + huge + "\n" + kMaps, 1},
      {"negative entry count of a column", kSol + kHead + "raw 5 i 2 i 2 d 1 d 1 i -1\n" + kMaps, 1},
      {"negative matrix entry count", kSol + kHead + "raw 5 i -1 i 2 d 1 d 1 i 0 i 0\n" + kMaps, 1},
      {"huge map length", kSol + kHead + kMatrix + "COLMAP [0 1]\nraw 15 i " + huge + " i 0\n", 3},
      {"negative map length", kSol + kHead + kMatrix + "raw 14 i -1\nROWMAP [0]\n", 2},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const CaseFiles files = ParseCase(c.text);
    WriteCaseFiles(files, dir.path());
    const std::string head = c.rec >= 0 ? RecordHead(files, static_cast<std::size_t>(c.rec)) : c.file + ": ";
    EXPECT_TRUE(Failed(dir, RunPostsolve(dir.path()), head)) << c.what;
  }
}

TEST(FaultRecords, TinyDuplicateFactorPrintsItsMessageAndFails) {
  for (const char* alpha : {"1e-16", "-9.9e-16", "0"}) {
    TempDir dir;
    const CaseFiles files = ParseCase(Small("DUPCOL 1 0 " + std::string(alpha) + " 0 1 0 1\n"));
    WriteCaseFiles(files, dir.path());
    EXPECT_TRUE(Failed(dir, RunPostsolve(dir.path()), RecordHead(files, 2),
                       kBanner + std::string(" err data for duplicate column.\n")))
        << alpha;
  }
}

TEST(FaultName, SlashesStayInTheReportButNotInItsFileName) {
  TempDir dir;
  const std::string name = "../../tmp/evil/name";  // 19 bytes, the longest allowed
  RunResult r = RunCase(dir, kSol + "HEADER \"" + name + "\" rlo [0] rup [1] rtype \"L\" clo [0 0] cup [1 1]\n" +
                                 "names \"r\" \"x\" \"y\"\n" + kMatrix + kMaps);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Stray(dir), " .._.._tmp_evil_name.rpt");
  EXPECT_NE(r.out.find(" report file name " + LeftDots(".._.._tmp_evil_name.rpt", 36) + "\n"), std::string::npos);
  EXPECT_TRUE(dir.Read(".._.._tmp_evil_name.rpt").starts_with("INPUT FILE NAME  : " + name + "\n"));
}

TEST(FaultName, ControlBytesStayInTheReportButNotInItsFileName) {
  TempDir dir;
  const std::string name = "\x1b[2J\nname\x7f\x01";  // ten bytes or more: printed unpadded
  RunResult r = RunCase(dir, kSol + "HEADER " + CaseString(name) +
                                 " rlo [0] rup [1] rtype \"L\" clo [0 0] cup [1 1]\nnames \"r\" \"x\" \"y\"\n" +
                                 kMatrix + kMaps);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Stray(dir), " _[2J_name__.rpt");
  EXPECT_NE(r.out.find(" report file name " + LeftDots("_[2J_name__.rpt", 36) + "\n"), std::string::npos);
  EXPECT_TRUE(dir.Read("_[2J_name__.rpt").starts_with("INPUT FILE NAME  : " + name + "\n"));
}

TEST(FaultReport, FailedRunLeavesAnEarlierReportUntouched) {
  const std::string earlier = "an earlier run's report\n";
  const struct {
    const char* what;
    std::string text;
    long fsizeLimit;
    std::string head;
  } cases[] = {
      {"replay fails", Small("NULCOL 2 0 0\n"), 0, "dravfile.bin: record 2 NULCOL"},
      {"names run out while writing", kSol + RawHead("1", "2", "1", "t", "1000") + kMatrix + kMaps, 0,
       "dravfile.bin: record 0 HEADER"},
      {"the disk fills", Small(""), 300, "t.rpt: "},  // the report needs more, the log and message less
  };
  for (const auto& c : cases) {
    for (bool before : {false, true}) {
      TempDir dir;
      WriteCaseFiles(ParseCase(c.text), dir.path());
      if (before) dir.Write("t.rpt", earlier);
      EXPECT_TRUE(Failed(dir, RunPostsolve(dir.path(), c.fsizeLimit), c.head, kBanner, before ? "t.rpt" : ""))
          << c.what;
      if (before) {
        EXPECT_EQ(dir.Read("t.rpt"), earlier) << c.what;
      }
    }
  }
  TempDir dir;  // the report's name is taken by a directory
  WriteCaseFiles(ParseCase(Small("")), dir.path());
  ::mkdir(dir.File("t.rpt").c_str(), 0755);
  EXPECT_TRUE(Failed(dir, RunPostsolve(dir.path()), "t.rpt: ", kBanner, "t.rpt"));
}

TEST(FaultWarnings, DegenerateDataCompletesWithStatus2AndOneWarningPerRecord) {
  const struct {
    std::string text;
    std::vector<std::size_t> recs;  // records warned about; none: the solution file
  } cases[] = {
      // Replayed first, an empty DUPCOL interval (x_k in [0.5, 1] and [0, 0.25]);
      // then zero divisors in DBLROW (a binding one with both coefficients
      // zero still warns once), SGLROW and DOMROW.
      {Small("DOMROW 0 1 1 0 1 {}\nSGLROW 0 0 1 0 1 {}\nDBLROW 0 0 1 1 0 0 1 1 1 0.375 0 0 {}\n"
             "DBLROW 0 0 1 1 0 1 1 1 0 0 0 0 {0 1}\nDUPCOL 1 0 1 0 0.25 0 0.5\n"),
       {2, 3, 4, 5, 6}},
      {"solution 0 2 0\n" + kHead + kMatrix + "COLMAP [0 1]\nROWMAP [-1]\n", {}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const CaseFiles files = ParseCase(c.text);
    WriteCaseFiles(files, dir.path());
    RunResult r = RunPostsolve(dir.path());
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(r.out.starts_with(kBanner + std::string(" report file name ") + LeftDots("t.rpt", 36)));
    EXPECT_TRUE(r.out.ends_with(" ================= END OF POSTSOLVER =================\n\n"));
    EXPECT_EQ(Stray(dir), " t.rpt");
    std::vector<std::string> heads;
    for (std::size_t rec : c.recs) heads.push_back("postsolve: warning: " + RecordHead(files, rec));
    if (heads.empty()) heads.push_back("postsolve: warning: " + std::string(SOLFILE) + ": ");
    EXPECT_EQ(CountLines(r.err), static_cast<int>(heads.size())) << r.err;
    for (const std::string& head : heads)
      EXPECT_TRUE(r.err.starts_with(head) || r.err.find("\n" + head) != std::string::npos) << head << "\n" << r.err;
  }
}

TEST(FaultStack, TwoRecordsAtOneOffsetFailBeforeAnyReplay) {
  const CaseFiles good = ParseCase(Small("NULROW 0\n"));
  std::vector<int> o;
  for (std::size_t off : Offsets(good)) o.push_back(static_cast<int>(off));
  const std::string nulrow = std::to_string(o[2]);
  // Replaying the same bytes again and again would let a tiny file run for
  // hours: a million entries naming one record fail at once.
  std::vector<int> many(1000000, o[2]);
  many.front() = 0;
  const struct {
    std::vector<int> offsets;
    std::string message;
  } cases[] = {
      {{o[0], o[1], o[2], o[2], o[4]}, "records 2 and 3 both start at offset " + nulrow},
      {{o[0], o[2], o[3], o[1], o[2]}, "records 1 and 4 both start at offset " + nulrow},
      {{o[0], o[0], o[2], o[3], o[4]}, "records 0 and 1 both start at offset 0"},
      {many, "records 1 and 2 both start at offset " + nulrow},
  };
  for (const auto& c : cases) {
    TempDir dir;
    CaseFiles files = good;
    files.stk = StackBytes(c.offsets);
    WriteCaseFiles(files, dir.path());
    RunResult r = RunPostsolve(dir.path());
    EXPECT_TRUE(Failed(dir, r, std::string(STKFILE) + ": " + c.message)) << c.message;
    EXPECT_EQ(r.err, "postsolve: " + std::string(STKFILE) + ": " + c.message + "\n");
  }
}

TEST(FaultRecords, RecordReadingIntoTheNextRecordFails) {
  // NULCOL one double short: its last field is read from the record after it.
  const std::string shortNulcol = "raw 3 i 0 d 1\n";
  const struct {
    const char* what;
    CaseFiles files;
    std::size_t rec, next;  // the record that overreads, the one it runs into
    std::string overrun = "it ";
  } cases[] = {
      {"into the next record replayed", ParseCase(Small(shortNulcol + "NULROW 0\n")), 2, 3},
      // The next record in the file, not in the replay.
      {"into the next record in the file",
       Arrange(ParseCase(Small(shortNulcol + "NULROW 0\n")), {0, 1, 3, 4, 2, 5}), 2, 5},
      // HEADER one double short, no names: the first check, before any other
      // record; its size is checked against the next record before reading.
      {"header into the matrix",
       ParseCase(kSol + "raw 7 i 1 i 2 i 1 s \"t\" d 0 d 1 b 76 d 0 d 0 d 1\n" + kMatrix + kMaps), 0, 1,
       "header size 49 "},
      // The name section belongs to record 0: a name may not take bytes of the next.
      {"a name into the matrix", ParseCase(kSol + RawHead("1", "2", "1", "t", "5") + kMatrix + kMaps), 0, 1,
       "column name 1 of 5 bytes at offset 80 "},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteCaseFiles(c.files, dir.path());
    const std::string message = RecordHead(c.files, c.rec) + c.overrun + "runs into the record at offset " +
                                std::to_string(Offsets(c.files)[c.next]);
    RunResult r = RunPostsolve(dir.path());
    EXPECT_TRUE(Failed(dir, r, message)) << c.what;
    EXPECT_EQ(r.err, "postsolve: " + message + "\n") << c.what;
  }
}

// Keeps anything new from being created in a directory for the object's
// lifetime: marked immutable, which holds even for root, or, where the file
// system or the capabilities refuse that, made read-only, which holds for
// anyone else. on() is false when neither holds (root without the capability).
class Unwritable {
 public:
  explicit Unwritable(std::string dir) : dir_(std::move(dir)) {
    immutable_ = SetImmutable(true);
    if (!immutable_ && ::geteuid() != 0) readOnly_ = ::chmod(dir_.c_str(), 0555) == 0;
  }
  ~Unwritable() {
    if (immutable_) SetImmutable(false);
    if (readOnly_) ::chmod(dir_.c_str(), 0755);
  }
  Unwritable(const Unwritable&) = delete;
  Unwritable& operator=(const Unwritable&) = delete;
  bool on() const { return immutable_ || readOnly_; }

 private:
  bool SetImmutable(bool on) {
    const int fd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  }
  std::string dir_;
  bool immutable_ = false, readOnly_ = false;
};

TEST(FaultReport, ReportThatCannotBeCreatedOrWrittenLeavesNothingAndKeepsTheEarlierOne) {
  const std::string earlier = "an earlier run's report\n";
  const CaseFiles bakery = ParseCase(ReadFile(std::string(SOURCE_DIR) + "/examples/bakery/bakery.case"));
  TempDir probe;
  WriteCaseFiles(bakery, probe.path());
  ASSERT_EQ(RunPostsolve(probe.path()).status, 0);
  const long size = static_cast<long>(probe.Read("bakery.rpt").size());
  const struct {
    const char* what;
    long fsizeLimit;  // 0: the directory takes no new files instead
    std::string head;
  } cases[] = {
      {"the directory takes no new file", 0, "bakery.rpt: cannot create a temporary file: "},
      {"the disk fills half way", size / 2, "bakery.rpt: write error: "},
      {"the disk fills one byte short", size - 1, "bakery.rpt: write error: "},
  };
  for (const auto& c : cases) {
    for (bool before : {false, true}) {
      TempDir dir;
      WriteCaseFiles(bakery, dir.path());
      if (before) dir.Write("bakery.rpt", earlier);
      std::optional<Unwritable> frozen;
      if (c.fsizeLimit == 0) {
        frozen.emplace(dir.path());
        if (!frozen->on()) {
          // Root without the immutable capability (a container): nothing here
          // can keep root from creating the file, so this case cannot be made.
          std::fprintf(stderr, "note: %s: cannot be set up on this machine, skipped\n", c.what);
          continue;
        }
      }
      RunResult r = RunPostsolve(dir.path(), c.fsizeLimit);
      frozen.reset();
      EXPECT_TRUE(Failed(dir, r, c.head, kBanner, before ? "bakery.rpt" : "")) << c.what;
      if (before) {
        EXPECT_EQ(dir.Read("bakery.rpt"), earlier) << c.what;
      }
    }
  }
  // With exactly room for it the report is written, over the earlier one.
  TempDir dir;
  WriteCaseFiles(bakery, dir.path());
  dir.Write("bakery.rpt", earlier);
  EXPECT_EQ(RunPostsolve(dir.path(), size).status, 0);
  EXPECT_EQ(dir.Read("bakery.rpt"), probe.Read("bakery.rpt"));
}

// A row and `n` columns: a report of n lines, long enough to write that a
// run can be caught in the middle of it.
std::string Wide(int n) {
  std::string x, bounds, names, cols, map;
  for (int j = 0; j < n; ++j) {
    x += "1 ";
    bounds += "0 ";
    names += " \"c" + std::to_string(j) + "\"";
    cols += "(0 1) ";
    map += std::to_string(j) + " ";
  }
  return "solution 0 " + std::to_string(n) + " 1 x [" + x + "] y [0] z [" + bounds + "]\n" +
         "HEADER \"w\" rlo [0] rup [1e30] rtype \"G\" clo [" + bounds + "] cup [" + x + "]\nnames \"r\"" + names +
         "\nMATRIX c [" + x + "] " + cols + "\nCOLMAP [" + map + "]\nROWMAP [0]\n";
}

// Killed while it writes its report, the run takes the temporary file with it
// and ends by the signal; an earlier report stays as it was.
TEST(FaultSignals, EndingSignalDuringTheReportRemovesItsTemporaryFile) {
  const CaseFiles wide = ParseCase(Wide(200000));
  const std::string earlier = "an earlier run's report\n";
  int caught = 0;
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU}) {
    TempDir dir, capture;
    WriteCaseFiles(wide, dir.path());
    dir.Write("w.rpt", earlier);
    // Forked, for its limits: a signal that dumps core leaves no core file.
    const pid_t pid = StartPostsolve(dir.path(), capture.File("out"), capture.File("err"), 1L << 40);
    auto running = [pid] {
      siginfo_t info{};
      return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
    };
    bool seen = false;
    while (!seen && running()) {
      for (const std::string& name : dir.List()) seen = seen || name.starts_with("w.rpt.");
    }
    if (seen) ::kill(pid, sig);
    caught += seen;
    const RunResult r = WaitFor(pid, capture.File("out"), capture.File("err"));
    EXPECT_EQ(Stray(dir, "w.rpt"), "") << strsignal(sig);
    if (seen) {
      EXPECT_EQ(r.status, 128 + sig) << strsignal(sig) << "\n" << r.err;
      EXPECT_EQ(dir.Read("w.rpt"), earlier) << strsignal(sig);
    }
  }
  EXPECT_GT(caught, 0) << "no run was caught while writing its report";
}

// Standard output that fails (full, closed, a pipe nobody reads) fails the
// run with the system's reason, before the report replaces an earlier one.
TEST(FaultReport, LogThatCannotBeWrittenKeepsTheEarlierReport) {
  const std::string earlier = "an earlier run's report\n";
  const struct {
    const char* how;
    std::string reason;
  } cases[] = {{"full", "No space left on device"}, {"closed", "Bad file descriptor"}, {"pipe", "Broken pipe"}};
  for (const auto& c : cases) {
    TempDir dir, capture;
    WriteCaseFiles(ParseCase(Small("")), dir.path());
    dir.Write("t.rpt", earlier);
    const std::string how = c.how;
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const int err = ::open(capture.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err < 0 || ::chdir(dir.path().c_str()) != 0) ::_exit(126);
      ::dup2(err, 2);
      ::close(pipeFds[0]);  // nobody reads: the first write meets a broken pipe
      if (how == "full") ::dup2(::open("/dev/full", O_WRONLY), 1);
      if (how == "closed") ::close(1);
      if (how == "pipe") ::dup2(pipeFds[1], 1);
      ResetSignalsForExec();
      ::execl(POSTSOLVE_EXE, "postsolve", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    capture.Write("out", "");
    const RunResult r = WaitFor(pid, capture.File("out"), capture.File("err"));
    EXPECT_EQ(r.status, 1) << c.how;
    EXPECT_EQ(r.err, "postsolve: standard output: write error: " + c.reason + "\n") << c.how;
    EXPECT_EQ(dir.Read("t.rpt"), earlier) << c.how;
    EXPECT_EQ(Stray(dir, "t.rpt"), "") << c.how;
  }
}

// However many records meet degenerate data, each kind prints its first ten
// warnings and then one line with how many more there were.
TEST(FaultWarnings, TenWarningsOfEachKindThenTheirCount) {
  std::string middle;
  for (int k = 0; k < 25; ++k) middle += "DOMROW 0 1 1 0 1 {}\n";
  for (int k = 0; k < 12; ++k) middle += "SGLROW 0 0 1 0 1 {}\n";
  TempDir dir;
  const CaseFiles files = ParseCase(Small(middle));
  WriteCaseFiles(files, dir.path());
  const RunResult r = RunPostsolve(dir.path());
  EXPECT_EQ(r.status, 2);
  ASSERT_EQ(CountLines(r.err), 22) << r.err;
  // Newest first: the singleton rows, listed last, are met first.
  EXPECT_TRUE(r.err.starts_with("postsolve: warning: " + RecordHead(files, 38))) << r.err;
  EXPECT_TRUE(r.err.ends_with("postsolve: warning: ... and 2 more singleton-row coefficient warnings\n"
                              "postsolve: warning: ... and 15 more dominated-row coefficient warnings\n"))
      << r.err;
  // The kit is for debugging: it lists every one.
  TempDir scratch;
  const RunResult all = RunProgram(KIT_EXE, scratch, {"check", dir.path()});
  EXPECT_EQ(CountLines(all.err), 37) << all.err;
}

// A doubleton row's column that misses a flagged bound only by rounding is
// not taken as binding, and the run says so.
TEST(FaultWarnings, DoubletonRowNearlyAtItsBoundWarns) {
  const struct {
    std::string flags;  // flo lo fup up; column 1 is at 2
    std::string warning;
  } cases[] = {
      {"1 2 0 0", ""},  // at the bound: binding
      {"1 2.1 0 0", ""},
      {"0 2 1 2.1", ""},
      {"1 2.0000000000000004 0 0", "column 1 lies 4.44e-16 from the lower bound 2.0000000000000004"},
      {"0 0 1 1.9999999999999998", "column 1 lies 2.22e-16 from the upper bound 1.9999999999999998"},
      {"1 2.000000001 0 0", "column 1 lies 1e-09 from the lower bound 2.0000000010000001"},
  };
  for (const auto& c : cases) {
    TempDir dir, scratch;
    const CaseFiles files = ParseCase(Small("DBLROW 0 0 1 1 1 1 1 1 " + c.flags + " {0 1}\n"));
    WriteCaseFiles(files, dir.path());
    const RunResult r = RunPostsolve(dir.path());
    const RunResult check = RunProgram(KIT_EXE, scratch, {"check", dir.path()});
    if (c.warning.empty()) {
      EXPECT_EQ(r.status, 0) << c.flags << "\n" << r.err;
      continue;
    }
    const std::string line = RecordHead(files, 2) + c.warning + " the record flags; the row is taken as not binding\n";
    EXPECT_EQ(r.status, 2) << c.flags;
    EXPECT_EQ(r.err, "postsolve: warning: " + line);
    EXPECT_TRUE(check.err.starts_with("postsolve-kit: warning: " + line)) << check.err;
  }
}

// A record's counts are checked against the start of the next record before
// anything is allocated for them, however large the file behind it.
TEST(FaultRecords, CountsBeyondTheNextRecordFailBeforeAllocating) {
  TempDir dir;
  const CaseFiles files = ParseCase(kSol + RawHead("1000000", "2", "1", "t") + kMatrix + kMaps);
  WriteCaseFiles(files, dir.path());
  ASSERT_EQ(::truncate(dir.File(BINFILE).c_str(), 1L << 30), 0);  // sparse: room for the count in the file
  const std::string message =
      RecordHead(files, 0) + "row count 1000000 runs into the record at offset " + std::to_string(Offsets(files)[1]);
  const RunResult r = RunPostsolve(dir.path());
  EXPECT_TRUE(Failed(dir, r, message));
  EXPECT_EQ(r.err, "postsolve: " + message + "\n");
}

}  // namespace
