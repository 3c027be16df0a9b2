// A result directory changes as one transaction: run, presolve and solve
// killed at any moment, failing on a full disk, or racing each other leave
// DIR with one whole result (log, solution and report that agree) or the
// earlier one; what dead runs left goes with the next run; an empty DIR is
// refused.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

#include "harness.h"
#include "kit.h"
#include "postsolve/run.h"
#include "postsolve/solve.h"

namespace {

namespace fs = std::filesystem;
const std::string kSamples = "/usr/share/coin/Data/Sample/";

::RunResult Kit(const TempDir& scratch, std::vector<std::string> args) {
  return RunProgram(KIT_EXE, scratch, std::move(args));
}

// A feasible, bounded LP of `rows` covering rows over `cols` columns in
// [0, 10], with a few rows and columns the presolver reduces; NAME as given.
std::string GeneratedModel(const std::string& name, int rows, int cols, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> col(0, cols - 1), coef(1, 9);
  std::vector<std::vector<std::pair<int, int>>> byCol(static_cast<std::size_t>(cols));
  for (int r = 0; r < rows; ++r) {
    std::set<int> cols6;
    while (cols6.size() < 6) cols6.insert(col(rng));
    for (int j : cols6) byCol[static_cast<std::size_t>(j)].emplace_back(r, coef(rng));
  }
  std::ostringstream mps;
  mps << "NAME " << name << " FREE\nROWS\n N obj\n";
  for (int r = 0; r < rows; ++r) mps << " G r" << r << "\n";
  mps << " E fix\nCOLUMNS\n";
  for (int j = 0; j < cols; ++j) {
    mps << " x" << j << " obj " << coef(rng) << "\n";
    for (const auto& [r, a] : byCol[static_cast<std::size_t>(j)]) mps << " x" << j << " r" << r << " " << a << "\n";
  }
  mps << " y fix 1\nRHS\n";
  for (int r = 0; r < rows; ++r) mps << " rhs r" << r << " " << coef(rng) << "\n";
  mps << " rhs fix 2\nBOUNDS\n";
  for (int j = 0; j < cols; ++j) mps << " UP b x" << j << " 10\n";
  mps << "ENDATA\n";
  return mps.str();
}

// DIR's entries, leaving out nothing.
std::vector<std::string> Entries(const std::string& dir) { return TempDir::ListOf(dir); }

std::vector<std::string> Result(const std::string& report) {
  // what run leaves: the log, the solution, the report and the basis
  std::vector<std::string> names = {report, BINFILE, SOLFILE, STKFILE, "basis.bas", "problem.json", "reduced.mps"};
  std::sort(names.begin(), names.end());
  return names;
}

// The one report in DIR, or empty.
std::string ReportIn(const std::string& dir) {
  std::string found;
  for (const std::string& name : Entries(dir))
    if (name.ends_with(".rpt")) {
      if (!found.empty()) return "two reports";
      found = name;
    }
  return found;
}

// DIR holds a whole result: the postsolve program replaying its three files
// in a copy writes DIR's report byte for byte, and problem.json names the
// same problem. Returns the report's name.
testing::AssertionResult WholeResult(const std::string& dir, std::string& report) {
  report = ReportIn(dir);
  if (report.empty() || report == "two reports") return testing::AssertionFailure() << "reports: " << report;
  const TempDir copy;
  for (const char* name : {SOLFILE, STKFILE, BINFILE}) copy.Write(name, ReadFile(dir + "/" + name));
  const ::RunResult replay = RunPostsolve(copy.path());
  if (replay.status != 0) return testing::AssertionFailure() << "postsolve on the copy: " << replay.err;
  if (!copy.Exists(report) || copy.Read(report) != ReadFile(dir + "/" + report))
    return testing::AssertionFailure() << "the report is not the replay's of the log and solution beside it";
  const std::string name = report.substr(0, report.size() - 4);
  if (ReadFile(dir + "/problem.json").find("\"log_name\": \"" + name + "\"") == std::string::npos)
    return testing::AssertionFailure() << "problem.json is of another problem than " << name;
  return testing::AssertionSuccess();
}

pid_t StartKit(const TempDir& scratch, std::vector<std::string> args) {
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 2, scratch.File("kit-err").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  std::vector<char*> argv{const_cast<char*>("postsolve-kit")};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, KIT_EXE, &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("posix_spawn failed");
  return pid;
}

// Killed with SIGKILL at moments spread over a whole run, `run` leaves either
// the earlier result or the new one; a kill inside the swap itself leaves the
// journal, no solution (so nothing can replay a mix), and the next run
// finishes it. The next run also takes away what the killed ones left.
TEST(ResultTransaction, KilledRunsLeaveOneWholeResult) {
  const TempDir scratch;
  scratch.Write("a.mps", GeneratedModel("GENA", 1500, 2500, 1));
  scratch.Write("b.mps", GeneratedModel("GENB", 1200, 2000, 2));
  const std::string dir = scratch.File("out");
  ASSERT_EQ(Kit(scratch, {"run", scratch.File("a.mps"), dir}).status, kit::kOk);
  std::string report;
  ASSERT_TRUE(WholeResult(dir, report));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Kit(scratch, {"run", scratch.File("b.mps"), dir}).status, kit::kOk);
  const auto runTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);

  std::mt19937 rng(20261209);
  // Up to twice a run's time: some kills come after the run has ended.
  std::uniform_int_distribution<long> moment(0, runTime.count() * 2);
  int earlier = 0, newer = 0, midSwap = 0;
  std::string expected = "GENB.rpt";
  for (int i = 0; i < 36; ++i) {
    const std::string model = scratch.File(i % 2 == 0 ? "a.mps" : "b.mps");
    const pid_t pid = StartKit(scratch, {"run", model, dir});
    std::this_thread::sleep_for(std::chrono::microseconds(moment(rng)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (fs::exists(dir + "/" + SOLFILE)) {
      // Of the two models; which one, a journal the kill left may decide
      // only with the next run.
      ASSERT_TRUE(WholeResult(dir, report)) << "try " << i;
      (report == expected ? earlier : newer) += 1;
      expected = report;
    } else {
      // Between the journal and its last rename: the next run carries it out.
      ASSERT_TRUE(fs::exists(dir + "/.postsolve.swap")) << "try " << i << ": no solution and no journal";
      ++midSwap;
      expected.clear();
    }
  }
  std::printf("a run takes %ld us; kills: %d left the earlier result, %d the new one, %d the swap to finish\n",
              static_cast<long>(runTime.count()), earlier, newer, midSwap);
  EXPECT_GT(earlier, 0);
  EXPECT_GT(newer, 0);
  ASSERT_EQ(Kit(scratch, {"run", scratch.File("a.mps"), dir}).status, kit::kOk);
  ASSERT_TRUE(WholeResult(dir, report));
  EXPECT_EQ(Entries(dir), Result("GENA.rpt"));
}

// Eight runs at once into one DIR with different models and options: each
// waits for the one before it, none fails, DIR ends whole.
TEST(ResultTransaction, ConcurrentRunsAreSerialised) {
  const TempDir scratch;
  scratch.Write("a.mps", GeneratedModel("GENA", 300, 500, 3));
  const std::string dir = scratch.File("out");
  const std::vector<std::vector<std::string>> options = {
      {"run", scratch.File("a.mps"), dir},
      {"run", kSamples + "afiro.mps", dir, "--skip", "DUPCOL"},
      {"run", kSamples + "finnis.mps", dir, "--only", "none"},
      {"run", scratch.File("a.mps"), dir, "--only", "NULROW,FIXCOL"},
      {"presolve", kSamples + "brandy.mps", dir},
      {"run", kSamples + "afiro.mps", dir},
      {"run", kSamples + "finnis.mps", dir, "--pass-limit", "1"},
      {"run", kSamples + "brandy.mps", dir}};
  for (int round = 0; round < 3; ++round) {
    std::vector<::RunResult> results(options.size());
    std::vector<std::thread> threads;
    std::vector<std::unique_ptr<TempDir>> captures;
    for (std::size_t i = 0; i < options.size(); ++i) {
      captures.push_back(std::make_unique<TempDir>());
      threads.emplace_back([&, i] { results[i] = Kit(*captures[i], options[i]); });
    }
    for (std::thread& t : threads) t.join();
    for (std::size_t i = 0; i < options.size(); ++i)
      EXPECT_EQ(results[i].status, kit::kOk) << options[i][1] << ": " << results[i].err;
    // Whichever ended last, DIR is its whole result: a presolve's log alone,
    // or a run's log, solution and report.
    if (fs::exists(dir + "/" + SOLFILE)) {
      std::string report;
      EXPECT_TRUE(WholeResult(dir, report));
      EXPECT_EQ(Entries(dir), Result(report));
    } else {
      EXPECT_EQ(Entries(dir), (std::vector<std::string>{BINFILE, STKFILE, "problem.json", "reduced.mps"}));
    }
  }
}

// A file-size limit stands in for a full disk: the run fails naming the file,
// says DIR keeps its earlier result, and DIR is as it was, byte for byte.
TEST(ResultTransaction, FullDiskKeepsTheEarlierResult) {
  const TempDir scratch;
  const std::string dir = scratch.File("out");
  ASSERT_EQ(Kit(scratch, {"run", kSamples + "afiro.mps", dir}).status, kit::kOk);
  std::map<std::string, std::string> before;
  for (const std::string& name : Entries(dir)) before[name] = ReadFile(dir + "/" + name);
  for (const char* command : {"run", "presolve"}) {
    const ::RunResult full = RunProgram(
        "/bin/sh", scratch,
        {"-c", "ulimit -f 40; exec \"$0\" \"$@\"", KIT_EXE, command, kSamples + "finnis.mps", dir});
    EXPECT_EQ(full.status, kit::kFailed) << command;
    EXPECT_TRUE(full.err.starts_with("postsolve-kit: " + dir + "/.postsolve-stage.") &&
                full.err.ends_with(": write error: File too large; " + dir + " keeps its earlier result\n") &&
                CountLines(full.err) == 1)
        << full.err;
    std::map<std::string, std::string> after;
    for (const std::string& name : Entries(dir)) after[name] = ReadFile(dir + "/" + name);
    EXPECT_TRUE(after == before) << command;
  }
  // A solve that cannot write its solution leaves the earlier one too.
  const ::RunResult solve =
      RunProgram("/bin/sh", scratch, {"-c", "ulimit -f 1; exec \"$0\" \"$@\"", KIT_EXE, "solve", dir});
  EXPECT_EQ(solve.status, kit::kFailed);
  EXPECT_TRUE(solve.err.ends_with(" keeps its earlier result\n") && CountLines(solve.err) == 1) << solve.err;
  EXPECT_EQ(ReadFile(dir + "/" + SOLFILE), before[SOLFILE]);
  EXPECT_EQ(Entries(dir), Result("AFIRO.rpt"));
}

// What dead runs left goes with the next transaction: staging directories,
// unfinished temporaries of result files that nothing holds. Not a temporary
// a live writer holds, nor anything else.
TEST(ResultTransaction, LeftoversOfDeadRunsGoWithTheNextRun) {
  const TempDir scratch;
  const std::string dir = scratch.File("out");
  ASSERT_EQ(Kit(scratch, {"run", kSamples + "afiro.mps", dir}).status, kit::kOk);
  fs::create_directory(dir + "/.postsolve-stage.Ab12Cd");
  const auto put = [&](const std::string& name) { std::ofstream(dir + "/" + name) << "left over"; };
  put(".postsolve-stage.Ab12Cd/dravfile.bin");
  for (const char* name : {"dravfile.bin.x9Y8z7", "reduced.mps.AAAAAA", "AFIRO.rpt.b1b2b3", "dravfile.sol.Q1w2E3"})
    put(name);
  // Not ours: other names, other suffixes, a temporary some live writer holds.
  for (const char* name : {"notes.txt.abcdef", "dravfile.bin.abc", "dravfile.bin.ab-def", "keep.rpt.txt"}) put(name);
  const int held = ::open((dir + "/dravfile.stk.L1v2e3").c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);

  ASSERT_EQ(Kit(scratch, {"solve", dir}).status, kit::kOk);
  std::vector<std::string> expected = {"dravfile.bin.ab-def", "dravfile.bin.abc", "dravfile.stk.L1v2e3",
                                       "keep.rpt.txt", "notes.txt.abcdef", BINFILE, SOLFILE, STKFILE,
                                       "problem.json", "reduced.mps"};
  std::sort(expected.begin(), expected.end());
  // solve's new solution made AFIRO.rpt stale: it went too.
  EXPECT_EQ(Entries(dir), expected);
  ::close(held);
}

// A journal a killed run left is carried out before anything else: here it
// puts in a staged reduced.mps of another model and takes the solution away,
// and the solve that finds it solves that model.
TEST(ResultTransaction, AnInterruptedSwapIsFinishedFirst) {
  const TempDir scratch;
  const std::string dir = scratch.File("out");
  ASSERT_EQ(Kit(scratch, {"run", kSamples + "afiro.mps", dir}).status, kit::kOk);
  fs::create_directory(dir + "/.postsolve-stage.Zz9Zz9");
  fs::copy_file(kSamples + "brandy.mps", dir + "/.postsolve-stage.Zz9Zz9/reduced.mps");
  std::ofstream(dir + "/.postsolve.swap") << "postsolve result swap\nstage .postsolve-stage.Zz9Zz9\n"
                                          << "put reduced.mps\ndrop " << SOLFILE << "\ndrop AFIRO.rpt\n";
  const ::RunResult solve = Kit(scratch, {"solve", dir});
  ASSERT_EQ(solve.status, kit::kOk) << solve.err;
  EXPECT_NE(solve.out.find(" 249 columns and 220 rows written"), std::string::npos) << solve.out;
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{BINFILE, SOLFILE, STKFILE, "problem.json", "reduced.mps"}));

  // A journal that is not one is refused, naming it, and DIR left alone.
  std::ofstream(dir + "/.postsolve.swap") << "postsolve result swap\nstage ../elsewhere\n";
  const ::RunResult refused = Kit(scratch, {"solve", dir});
  EXPECT_EQ(refused.status, kit::kFailed);
  EXPECT_TRUE(refused.err.starts_with("postsolve-kit: " + dir + "/.postsolve.swap: line 2: not a line of")) << refused.err;
  EXPECT_TRUE(fs::exists(dir + "/" + SOLFILE));
}

// A new log makes the old solution and its report stale; a new solution the
// report. Neither is left beside what no longer matches it.
TEST(ResultTransaction, StagesTakeWhatTheyMakeStale) {
  const TempDir scratch;
  const std::string dir = scratch.File("out");
  ASSERT_EQ(Kit(scratch, {"run", kSamples + "afiro.mps", dir}).status, kit::kOk);
  std::ofstream(dir + "/mine.rpt") << "my notes\n";  // not a report of DIR's log
  ASSERT_EQ(Kit(scratch, {"presolve", kSamples + "brandy.mps", dir}).status, kit::kOk);
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{BINFILE, STKFILE, "mine.rpt", "problem.json", "reduced.mps"}));
  EXPECT_EQ(RunPostsolve(dir).status, 1);  // no solution: no report of a mix

  ASSERT_EQ(Kit(scratch, {"solve", dir}).status, kit::kOk);
  ASSERT_EQ(RunPostsolve(dir).status, 0);
  ASSERT_TRUE(fs::exists(dir + "/BRANDY.rpt"));
  ASSERT_EQ(Kit(scratch, {"solve", dir}).status, kit::kOk);
  EXPECT_FALSE(fs::exists(dir + "/BRANDY.rpt"));
  EXPECT_TRUE(fs::exists(dir + "/mine.rpt"));
}

// An empty DIR is refused by every command and call that writes one, before
// anything is written.
TEST(ResultTransaction, AnEmptyDirectoryIsRefused) {
  const TempDir scratch;
  const std::string message = "the output directory is an empty string; give a directory (. for the current one)";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"run", kSamples + "afiro.mps", ""},
        std::vector<std::string>{"presolve", kSamples + "afiro.mps", ""}, std::vector<std::string>{"solve", ""}}) {
    const ::RunResult r = Kit(scratch, args);
    EXPECT_EQ(r.status, kit::kFailed) << args[0];
    EXPECT_EQ(r.err, "postsolve-kit: " + message + "\n") << args[0];
  }
  const Model model = ReadModel(kSamples + "afiro.mps");
  const auto refuses = [&](const std::function<void()>& call) {
    try {
      call();
    } catch (const postsolve::Error& e) {
      return std::string(e.what()) == message;
    }
    return false;
  };
  EXPECT_TRUE(refuses([&] { postsolve::Run(model, ""); }));
  EXPECT_TRUE(refuses([&] { WritePresolveDir(model, Presolve(model), ""); }));
  EXPECT_TRUE(refuses([&] { postsolve::Solve(""); }));
  EXPECT_TRUE(refuses([&] { WriteSolutionFile("", {}); }));
  EXPECT_TRUE(refuses([&] {
    LogWriter log;
    log.Header("one", {}, {}, "", {0}, {1}, {}, {"x"});
    log.Matrix({1}, std::vector<postsolve::Entries>{{}});
    log.ColMap({0});
    log.RowMap({});
    log.Save("", {0, {0}, {}, {0}});
  }));
}

// The Solution a run returns was replayed from the stage; once its files are
// in DIR it still writes its report, the same bytes.
TEST(ResultTransaction, ARunsSolutionWritesItsReportAfterTheSwap) {
  const TempDir scratch;
  const postsolve::RunResult run = postsolve::Run(ReadModel(kSamples + "afiro.mps"), scratch.File("out"));
  EXPECT_EQ(run.report, scratch.File("out/AFIRO.rpt"));
  EXPECT_EQ(ReadFile(WriteReport(run.solution, scratch.path())), ReadFile(run.report));
}

}  // namespace
