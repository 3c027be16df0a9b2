// run's phase timings, time limit and the kit's --timings.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>

#include "harness.h"
#include "postsolve/model.h"
#include "postsolve/run.h"

namespace postsolve {
namespace {

const std::string kFinnis = "/usr/share/coin/Data/Sample/finnis.mps";

TEST(RunOptions, EveryPhaseIsTimedInOrder) {
  TempDir scratch;
  RunOptions options;
  const postsolve::RunResult run = postsolve::Run(ReadModel(kFinnis), scratch.File("out"), options);
  std::vector<std::string> names;
  for (const PhaseTiming& p : run.timings) {
    names.push_back(p.name);
    EXPECT_GE(p.wall, 0);
    EXPECT_GT(p.peakKiB, 0);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"presolve", "log and reduced LP", "solve", "replay", "report", "verify",
                                             "basis and polish", "commit"}));
}

// A transportation LP Clp needs about half a second for: 500 suppliers, 500
// customers, every pair a column with its own cost.
Model Transportation() {
  constexpr int kSide = 500;
  Model m;
  m.path = "transportation";
  m.name = "TRANSP";
  const double inf = std::numeric_limits<double>::infinity();
  for (int i = 0; i < 2 * kSide; ++i) {
    m.rowNames.push_back((i < kSide ? "s" : "d") + std::to_string(i % kSide));
    m.rlo.push_back(i < kSide ? -inf : 9);
    m.rup.push_back(i < kSide ? 10 : inf);
  }
  unsigned seed = 12345;
  for (int s = 0; s < kSide; ++s)
    for (int d = 0; d < kSide; ++d) {
      seed = seed * 1103515245u + 12345u;
      m.colNames.push_back("x" + std::to_string(s) + "_" + std::to_string(d));
      m.clo.push_back(0);
      m.cup.push_back(inf);
      m.cost.push_back(1 + (seed >> 16) % 1000);
      m.index.insert(m.index.end(), {s, kSide + d});
      m.value.insert(m.value.end(), {1, 1});
      m.start.push_back(static_cast<int>(m.index.size()));
    }
  return m;
}

TEST(RunOptions, ASolveStoppedAtItsTimeLimitFailsAndKeepsTheEarlierResult) {
  TempDir scratch;
  const std::string dir = scratch.File("out");
  postsolve::Run(ReadModel(kFinnis), dir);
  const std::string before = ReadFile(dir + "/dravfile.sol");
  RunOptions options;
  options.timeLimit = 0.02;
  try {
    postsolve::Run(Transportation(), dir, options);
    FAIL() << "a solve of half a second finished in its 0.02";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("the time limit is 0.02 s"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("keeps its earlier result"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFile(dir + "/dravfile.sol"), before);
}

TEST(RunOptions, TheKitPrintsTimingsOnStandardErrorOnly) {
  TempDir scratch;
  const ::RunResult plain = RunProgram(KIT_EXE, scratch, {"run", kFinnis, scratch.File("a")});
  const ::RunResult timed = RunProgram(KIT_EXE, scratch, {"run", kFinnis, scratch.File("b"), "--timings"});
  ASSERT_EQ(timed.status, 0) << timed.err;
  for (const char* phase : {"read", "presolve", "solve", "replay", "verify", "total"})
    EXPECT_NE(timed.err.find(std::string("\n") + phase + " "), std::string::npos) << phase << "\n" << timed.err;
  EXPECT_EQ(plain.err.find("wall s"), std::string::npos);
  const ::RunResult presolved = RunProgram(KIT_EXE, scratch, {"presolve", kFinnis, scratch.File("c"), "--timings"});
  ASSERT_EQ(presolved.status, 0) << presolved.err;
  EXPECT_NE(presolved.err.find("\nlog and reduced LP "), std::string::npos) << presolved.err;
}

}  // namespace
}  // namespace postsolve
