// Whole runs: a small report checked line by line, the real LP cases against
// their checked-in output and their known optima, and the bundled example.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "harness.h"
#include "postsolve/version.h"

namespace fs = std::filesystem;

namespace {

// Four rows (one of each type letter, the last unnamed) and five columns (one
// of each bound class, one with a long name), nothing reduced.
const char* const kDemoCase = R"(
solution 0 5 4 x [1 2 0.5 2 4] y [1 -0.5 0.25 0] z [0 0 0 0 0]
HEADER "DEMO" rlo [-1 -1e30 6 0] rup [-1 3 1e30 20] rtype "ELGR"
       clo [-1e30 -1e30 0 2 0] cup [1e30 4 1e30 2 10]
names "bal" "cap" "demand" "" "free" "upper" "lower" "fixed" "a_very_long_name"
MATRIX c [1 -1 0 3 2] (0 1 1 2) (0 1 2 1) (1 1 3 1) (2 2) (0 -1 3 3)
COLMAP [0 1 2 3 4]
ROWMAP [0 1 2 3]
)";

const char* const kDemoReport =
    "INPUT FILE NAME  :       DEMO\n"
    "NUMBER OF ROWS   :          4\n"
    "NUMBER OF COLUMNS:          5\n"
    "SOLUTION STATUS  :    optimal\n"
    "\n"
    "ROWS\n"
    "----\n"
    " order  name     type lower         active        upper         dual value   \n"
    " 1      bal       EQ  -1.000000e+00 -1.000000e+00 -1.000000e+00 +1.000000e+00\n"
    " 2      cap       LE  -infinity     +2.500000e+00 +3.000000e+00 -5.000000e-01\n"
    " 3      demand    GE  +6.000000e+00 +6.000000e+00 +infinity     +2.500000e-01\n"
    " 4                RG  +0.000000e+00 +1.250000e+01 +2.000000e+01 +0.000000e+00\n"
    "\n"
    "COLUMNS\n"
    "-------\n"
    " order  name     type lower         active        upper         dual slack   \n"
    " 1      free      FR  -infinity     +1.000000e+00 +infinity     +1.000000e+00\n"
    " 2      upper     UP  -infinity     +2.000000e+00 +4.000000e+00 -2.250000e+00\n"
    " 3      lower     LO  +0.000000e+00 +5.000000e-01 +infinity     +5.000000e-01\n"
    " 4      fixed     FX  +2.000000e+00 +2.000000e+00 +2.000000e+00 +2.500000e+00\n"
    " 5      a_very_long_name  BO  +0.000000e+00 +4.000000e+00 +1.000000e+01 +3.000000e+00\n"
    "\n"
    "------------------------------------ EOF ------------------------------------\n";

std::string ZeroLog(const std::string& reportLine) {
  return std::string(kBanner) + reportLine +
         " dominated column passes ........................... 0\n"
         " duplicate column passes ........................... 0\n"
         " fixed column passes ............................... 0\n"
         " null column passes ................................ 0\n"
         " lower bound passes ................................ 0\n"
         " minus bound passes ................................ 0\n"
         " doubleton row passes .............................. 0\n"
         " dominated row passes .............................. 0\n"
         " duplicate row passes .............................. 0\n"
         " forcing row passes ................................ 0\n"
         " null row passes ................................... 0\n"
         " singleton row passes .............................. 0\n"
         " number of total passes ............................ 0\n"
         "\n"
         " elapse time ................................ 0.00 sec\n"
         "\n"
         " ================= END OF POSTSOLVER =================\n"
         "\n";
}

std::string WithSolutionStatus(std::string caseText, int status) {
  caseText.replace(caseText.find("solution 0"), 10, "solution " + std::to_string(status));
  return caseText;
}

// The logs are compared with the elapsed time masked, and nothing else.
TEST(Run, MaskTimeHidesTheElapsedTimeOnly) {
  const std::string masked = " elapse time " + LeftDots(" 0.00 sec", 41);
  EXPECT_EQ(MaskTime("a\n elapse time ....... 12.34 sec\n\n elapse time . 0.5 sec\n"),
            "a\n" + masked + "\n\n elapse time . 0.5 sec\n");
  EXPECT_EQ(MaskTime(" elapse time .. 3.25 sec elapse time . 1.00 sec"), masked + masked);
  EXPECT_EQ(MaskTime(" elapse time  1.00 sec"), " elapse time  1.00 sec");
}

TEST(Run, UnreducedProblemGivesTheExactReportAndLog) {
  TempDir dir;
  RunResult r = RunCase(dir, kDemoCase);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(MaskTime(r.out),
            ZeroLog(" report file name ............................DEMO.rpt\n\n"));
  EXPECT_EQ(dir.Read("DEMO.rpt"), kDemoReport);
  // nothing but the inputs and the report: no temporary file left behind
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"DEMO.rpt", "dravfile.bin", "dravfile.sol",
                                                   "dravfile.stk"}));
}

TEST(Run, StatusNamesTheSolutionAndDoesNotSteerTheRun) {
  const std::pair<int, const char*> names[] = {{-1, "unsolved"},   {0, "optimal"},
                                               {1, "infeasible"},  {2, "unbounded"},
                                               {3, "difficulty"},  {4, "unknown"},
                                               {-2, "unknown"}};
  for (const auto& [status, name] : names) {
    TempDir dir;
    RunResult r = RunCase(dir, WithSolutionStatus(kDemoCase, status));
    EXPECT_EQ(r.status, 0) << status;
    std::string report = dir.Read("DEMO.rpt");
    char line[64];
    std::snprintf(line, sizeof line, "SOLUTION STATUS  : %10s\n\n", name);
    EXPECT_NE(report.find(line), std::string::npos) << status;
    // the rest of the report is the same whatever the status
    const std::string demo = kDemoReport;
    EXPECT_EQ(report.substr(report.find("\nROWS\n")), demo.substr(demo.find("\nROWS\n")));
  }
}

TEST(Run, EmptyProblemNameWritesTheDefaultReport) {
  TempDir dir;
  std::string text = kDemoCase;
  text.replace(text.find("\"DEMO\""), 6, "\"\"");
  RunResult r = RunCase(dir, text);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(" report file name ........................dravfile.rpt\n\n"),
            std::string::npos);
  EXPECT_EQ(dir.Read("dravfile.rpt").substr(0, 30), "INPUT FILE NAME  :           \n");
}

std::string WithSolution(const std::string& solution) {
  std::string text = kDemoCase;
  const std::size_t from = text.find("solution");
  text.replace(from, text.find("HEADER") - from, solution + "\n");
  if (solution.starts_with("solution 0 0 "))  // no reduced columns left
    text.replace(text.find("COLMAP"), 19, "COLMAP [-1 -1 -1 -1 -1]");
  return text;
}

TEST(Run, ReducedProblemWithoutColumnsStillHasRowDuals) {
  TempDir dir;
  RunResult r = RunCase(dir, WithSolution("solution 0 0 4 y [9 8 7 6]"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(dir.Read("DEMO.rpt").find(" 1      bal       EQ  -1.000000e+00 +0.000000e+00 "
                                      "-1.000000e+00 +9.000000e+00\n"),
            std::string::npos);
}

TEST(Run, CountsWithoutValuesGiveZerosAndAWarning) {
  TempDir dir;
  RunResult r = RunCase(dir, WithSolution("solution 0 0 4"));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(CountLines(r.err), 1);
  EXPECT_EQ(r.err.rfind("postsolve: warning: dravfile.sol: ", 0), 0u) << r.err;
  EXPECT_NE(dir.Read("DEMO.rpt").find(" 1      bal       EQ  -1.000000e+00 +0.000000e+00 "
                                      "-1.000000e+00 +0.000000e+00\n"),
            std::string::npos);
  // both counts zero is a fully reduced problem: nothing to warn about
  TempDir none;
  std::string text = WithSolution("solution 0 0 0");
  text.replace(text.find("ROWMAP"), 17, "ROWMAP [-1 -1 -1 -1]");
  EXPECT_EQ(RunCase(none, text).status, 0);
}

// ---- the real LP cases ----

struct LpCase {
  const char* dir;
  const char* report;
  double optimum;   // c·x of the full problem
  int dualMisses;   // columns and rows whose dual has the wrong sign
  const char* warning = "";  // the one warning the run prints, if any
};

const LpCase kLpCases[] = {
    // The dual miss comes from a doubleton row whose column lies a rounding
    // away from its flagged bound after an undone bound shift.
    {"afiro-all-kinds", "AFIRO.rpt", -561.5494883918019, 1,
     "postsolve: warning: dravfile.bin: record 24 DBLROW at offset 6563: column 4 lies 6.39e-14 from the upper "
     "bound 18.214285714285715 the record flags; the row is taken as not binding\n"},
    {"finnis", "FINNIS   (PTABLES3).rpt", 172791.0655956116, 0},
    {"brandy", "BRANDY.rpt", 1518.5098964881283, 0},
};

std::string LpDir(const LpCase& c) { return std::string(SOURCE_DIR) + "/tests/lp/" + c.dir; }

void CopyInputs(const std::string& from, const TempDir& to) {
  for (const char* f : {SOLFILE, STKFILE, BINFILE}) to.Write(f, ReadFile(from + "/" + f));
}

TEST(LpCases, ReportAndLogMatchTheCheckedInOnes) {
  for (const LpCase& c : kLpCases) {
    TempDir dir;
    CopyInputs(LpDir(c), dir);
    RunResult r = RunPostsolve(dir.path());
    EXPECT_EQ(r.status, *c.warning ? 2 : 0) << c.dir;
    EXPECT_EQ(r.err, c.warning) << c.dir;
    EXPECT_EQ(MaskTime(r.out), MaskTime(ReadFile(LpDir(c) + "/expected.log"))) << c.dir;
    EXPECT_TRUE(dir.Read(c.report) == ReadFile(LpDir(c) + "/expected.report")) << c.dir;
  }
}

// Runs the replay in-process in `dir` and leaves the full solution in pd.
class InDirectory {
 public:
  explicit InDirectory(const std::string& dir) : back_(fs::current_path()) { fs::current_path(dir); }
  ~InDirectory() { fs::current_path(back_); }
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  fs::path back_;
};

// How far a dual value lies on the wrong side for a value v between lo and up
// (minimisation: positive at the lower end, negative at the upper, zero between).
double DualMiss(double v, double lo, double up, double dual, double tol) {
  const bool atLo = lo > -1e29 && v - lo <= tol * (1 + std::fabs(lo));
  const bool atUp = up < 1e29 && up - v <= tol * (1 + std::fabs(up));
  if (atLo && atUp) return 0;
  if (atLo) return std::max(0.0, -dual);
  if (atUp) return std::max(0.0, dual);
  return std::fabs(dual);
}

TEST(LpCases, RecoveredSolutionsAreOptimal) {
  const double tol = 1e-6;
  for (const LpCase& c : kLpCases) {
    PostData pd;
    {
      InDirectory in(LpDir(c));
      Replay(pd);
    }
    double obj = 0, primal = 0;
    int misses = 0;
    for (int j = 0; j < pd.n; ++j) {
      obj += pd.c[j] * pd.x[j];
      primal = std::max({primal, pd.clo[j] - pd.x[j], pd.x[j] - pd.cup[j]});
      // the dual slack the report prints: c - A'y
      if (DualMiss(pd.x[j], pd.clo[j], pd.cup[j], -pd.atyc[j], tol) > tol) ++misses;
    }
    for (int i = 0; i < pd.m; ++i) {
      const char t = pd.rtype[i];
      const double lo = t == 'L' ? -1e30 : pd.rlo[i], up = t == 'G' ? 1e30 : pd.rup[i];
      primal = std::max({primal, lo - pd.ax[i], pd.ax[i] - up});
      // a row dual acts like the dual slack of the row's activity, with its sign turned
      if (t != 'E' && DualMiss(pd.ax[i], lo, up, pd.y[i], tol) > tol) ++misses;
    }
    EXPECT_LT(primal, tol) << c.dir;
    EXPECT_NEAR(obj, c.optimum, 1e-7 * std::fabs(c.optimum)) << c.dir;
    EXPECT_EQ(misses, c.dualMisses) << c.dir;
  }
}

// ---- the bundled example ----

const std::string kExample = std::string(SOURCE_DIR) + "/examples/bakery";

TEST(Example, BinariesAreGeneratedFromTheirSource) {
  CaseFiles files = ParseCase(ReadFile(kExample + "/bakery.case"));
  EXPECT_TRUE(files.sol == ReadFile(kExample + "/" + SOLFILE));
  EXPECT_TRUE(files.stk == ReadFile(kExample + "/" + STKFILE));
  EXPECT_TRUE(files.bin == ReadFile(kExample + "/" + BINFILE));
}

TEST(Example, ReportAndLogMatchTheCheckedInOnes) {
  TempDir dir;
  CopyInputs(kExample, dir);
  RunResult r = RunPostsolve(dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(MaskTime(r.out), MaskTime(ReadFile(kExample + "/expected.log")));
  std::vector<std::string> files = dir.List();
  auto report = std::find_if(files.begin(), files.end(),
                             [](const std::string& f) { return f.ends_with(".rpt"); });
  ASSERT_NE(report, files.end());
  EXPECT_EQ(dir.Read(*report), ReadFile(kExample + "/expected.report"));
}

// Runs the program in `dir` with the arguments, through the shell; `redirect`
// is appended to its command line (e.g. ">/dev/full").
RunResult RunIn(const TempDir& dir, std::vector<std::string> args, const std::string& redirect = "") {
  TempDir scratch;  // the captured output, outside the run's directory
  args.insert(args.begin(), {"-c", "cd \"$1\" && shift && exec \"$0\" \"$@\"" + redirect, POSTSOLVE_EXE,
                             dir.path()});
  return RunProgram("/bin/sh", scratch, args);
}

// --help and --version print, exit 0 and leave the directory alone, even when
// it holds the three inputs and a report; a failed write of either is status 1.
TEST(Options, HelpAndVersionPrintWithoutRunning) {
  TempDir dir;
  CopyInputs(kExample, dir);
  dir.Write("bakery.rpt", "an earlier report\n");
  const std::vector<std::string> before = dir.List();

  const RunResult help = RunIn(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* want : {"Usage: postsolve\n", "dravfile.sol", "dravfile.stk", "dravfile.bin", "NAME.rpt",
                           "Exit status:\n  0  complete", "\n  1  failed", "\n  2  complete, but degenerate"})
    EXPECT_NE(help.out.find(want), std::string::npos) << want;

  const RunResult version = RunIn(dir, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.err, "");
  EXPECT_EQ(version.out, std::string("postsolve ") + POSTSOLVE_VERSION_STRING + "\n");
  TempDir scratch;
  EXPECT_EQ(RunProgram(KIT_EXE, scratch, {"--version"}).out, "postsolve-kit " + version.out.substr(10));

  EXPECT_EQ(dir.List(), before);
  EXPECT_EQ(dir.Read("bakery.rpt"), "an earlier report\n");

  for (const char* option : {"--help", "--version"}) {
    const RunResult full = RunIn(dir, {option}, " >/dev/full");
    EXPECT_EQ(full.status, 1) << option;
    EXPECT_EQ(full.err, "postsolve: standard output: write error: No space left on device\n") << option;
  }
}

// Any other argument list is ignored as ever: the run, its log and report are
// those of a run without arguments, in a directory with inputs or without.
TEST(Options, OtherArgumentsAreIgnored) {
  TempDir dir, empty;
  CopyInputs(kExample, dir);
  const std::string log = MaskTime(ReadFile(kExample + "/expected.log"));
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"-h"}, {"-V"}, {"--help", "extra"}, {"--version", "--help"}, {"help"}, {""}}) {
    const std::string shown = args[0] + (args.size() > 1 ? " " + args[1] : "");
    const RunResult r = RunIn(dir, args);
    EXPECT_EQ(r.status, 0) << shown;
    EXPECT_EQ(MaskTime(r.out), log) << shown;
    EXPECT_EQ(dir.Read("bakery.rpt"), ReadFile(kExample + "/expected.report")) << shown;
    ASSERT_TRUE(std::filesystem::remove(dir.File("bakery.rpt"))) << shown;

    const RunResult none = RunIn(empty, args);
    EXPECT_EQ(none.status, 1) << shown;
    EXPECT_EQ(none.out, kBanner) << shown;
    EXPECT_EQ(none.err, "postsolve: dravfile.sol: cannot open: No such file or directory\n") << shown;
    EXPECT_TRUE(empty.List().empty()) << shown;
  }
}

}  // namespace

namespace {

// A problem whose record file spans more than one read window, so that the
// matrix is read on a second thread: ncols columns of three entries each, one
// fixed column, every other row reduced away.
std::string LargeCase(const std::string& fixcolIndex, int badRow) {
  const int m = 600, n = 40000;
  std::string text = "solution 1 " + std::to_string(n - 1) + " " + std::to_string(m) + " x [";
  for (int j = 1; j < n; ++j) text += std::to_string(j % 7) + " ";
  text += "] y [";
  for (int i = 0; i < m; ++i) text += std::to_string(i % 5) + " ";
  text += "] z [";
  for (int j = 1; j < n; ++j) text += "0.5 ";
  std::string zeros;
  for (int i = 0; i < m; ++i) zeros += "0 ";
  text += "]\nHEADER \"large\" rlo [" + zeros + "] rup [" + zeros;
  text += "] rtype \"" + std::string(m, 'E') + "\" clo [";
  for (int j = 0; j < n; ++j) text += "0 ";
  text += "] cup [";
  for (int j = 0; j < n; ++j) text += "9 ";
  text += "]\nMATRIX c [";
  for (int j = 0; j < n; ++j) text += std::to_string(j % 3) + " ";
  text += "]";
  for (int j = 0; j < n; ++j) {
    const int row = j == n - 1 ? badRow : j % m;
    text += " (";
    text += std::to_string(row);
    text += " 1.5 ";
    text += std::to_string((j + 1) % m);
    text += " -2 ";
    text += std::to_string((j + 2) % m);
    text += " 0.25)";
  }
  text += "\nFIXCOL " + fixcolIndex + " 3 2 {0 1.5 1 -2 2 0.25}\nCOLMAP [-1";
  for (int j = 1; j < n; ++j) {
    text += ' ';
    text += std::to_string(j - 1);
  }
  text += "]\nROWMAP [";
  for (int i = 0; i < m; ++i) text += std::to_string(i) + " ";
  text += "]\nnames";
  for (int k = 0; k < m + n; ++k) {
    text += k < m ? " \"r" : " \"c";
    text += std::to_string(k < m ? k : k - m);
    text += '"';
  }
  return text;
}

std::string ReplayFailure(const CaseFiles& files) {
  try {
    PostData pd;
    Replay(pd, files);
  } catch (const PostError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(LargeFile, MatrixReadAlongsideTheReplayGivesTheSameResultsAndErrors) {
  const CaseFiles good = ParseCase(LargeCase("0", 0));
  ASSERT_GT(good.bin.size(), InFile::kWindow);
  // From disk the matrix is read through a second reader of the file; in
  // memory the whole file is one buffer. Both must agree to the bit.
  TempDir dir;
  WriteCaseFiles(good, dir.path());
  PostData disk, mem;
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  Replay(disk);
  ASSERT_EQ(::chdir(SOURCE_DIR), 0);
  Replay(mem, good);
  ASSERT_EQ(disk.nz, 120000);
  EXPECT_EQ(disk.ax, mem.ax);
  EXPECT_EQ(disk.atyc, mem.atyc);
  // The products, worked in the same order from how the case was built.
  const int m = 600, n = 40000;
  std::vector<double> ax(m, 0.0), atyc(n);
  for (int j = 0; j < n; ++j) {
    const double xj = j == 0 ? 3.0 : j % 7;
    const int rows[3] = {j == n - 1 ? 0 : j % m, (j + 1) % m, (j + 2) % m};
    const double vals[3] = {1.5, -2, 0.25};
    atyc[j] = -static_cast<double>(j % 3);
    for (int q = 0; q < 3; ++q) {
      ax[rows[q]] = vals[q] * xj + ax[rows[q]];
      atyc[j] = vals[q] * (rows[q] % 5) + atyc[j];
    }
  }
  EXPECT_TRUE(std::ranges::equal(disk.ax, ax));
  EXPECT_TRUE(std::ranges::equal(disk.atyc, atyc));
  EXPECT_EQ(disk.fbin.pos, mem.fbin.pos);  // both at the name section

  // A bad matrix fails in the matrix record; a bad record replayed before it
  // fails first, as it would if the matrix were read in turn.
  const std::string matrixError = ReplayFailure(ParseCase(LargeCase("0", 600)));
  EXPECT_EQ(matrixError.rfind("dravfile.bin: record 1 MATRIX at offset ", 0), 0u) << matrixError;
  EXPECT_NE(matrixError.find("row index 600 of column 39999 outside the 600 rows"), std::string::npos);
  const std::string fixcolError = ReplayFailure(ParseCase(LargeCase("40000", 600)));
  EXPECT_EQ(fixcolError.rfind("dravfile.bin: record 2 FIXCOL at offset ", 0), 0u) << fixcolError;
  EXPECT_EQ(RunPostsolve(dir.path()).status, 0);
  EXPECT_TRUE(dir.Exists("large.rpt"));
}

// The record file's times changed over and over while postsolve runs: the
// bytes are the same, but nothing tells a rewrite apart, so the run fails
// naming the file and leaves no report behind.
TEST(LargeFile, InputChangedWhileReadFailsNamingItAndLeavesNoReport) {
  TempDir dir, capture;
  WriteCaseFiles(ParseCase(LargeCase("0", 0)), dir.path());
  const std::string bin = dir.File("dravfile.bin");
  const std::string outPath = capture.File("stdout"), errPath = capture.File("stderr");
  const pid_t pid = StartPostsolve(dir.path(), outPath, errPath);
  for (long t = 1000000000;; ++t) {
    const timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, bin.c_str(), times, 0), 0);
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
      break;  // exited; WaitFor collects it
  }
  const RunResult r = WaitFor(pid, outPath, errPath);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "postsolve: dravfile.bin: changed while it was read (its size, modification or change time "
            "differs from when it was opened)\n");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"dravfile.bin", "dravfile.sol", "dravfile.stk"}));
}

// The same check without the race: whichever input changed is the one named,
// be it its size or only its times, and a run over untouched inputs passes.
TEST(LargeFile, EachInputIsCheckedForChangeBeforeTheReportIsPut) {
  TempDir dir;
  WriteCaseFiles(ParseCase(kDemoCase), dir.path());
  for (const char* name : {"", SOLFILE, STKFILE, BINFILE}) {
    PostData pd;
    Replay(pd, dir.path());
    if (*name != '\0') {
      const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
      ASSERT_EQ(::utimensat(AT_FDCWD, dir.File(name).c_str(), times, 0), 0);
    }
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    std::string failure;
    try {
      OutRept(pd);
    } catch (const PostError& e) {
      failure = e.what();
    }
    ASSERT_EQ(::chdir(SOURCE_DIR), 0);
    if (*name == '\0') {
      EXPECT_EQ(failure, "");
      EXPECT_TRUE(dir.Exists("DEMO.rpt"));
    } else {
      EXPECT_EQ(failure.rfind(dir.File(name) + ": changed while it was read", 0), 0u) << failure;
    }
  }
}
