// run's phase timings, time limit and the kit's --timings.
#include <gtest/gtest.h>

#include <filesystem>
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

TEST(RunOptions, ASolveStoppedAtItsTimeLimitFailsAndKeepsTheEarlierResult) {
  TempDir scratch;
  const std::string dir = scratch.File("out");
  const Model model = ReadModel(kFinnis);
  postsolve::Run(model, dir);
  const std::string before = ReadFile(dir + "/dravfile.sol");
  RunOptions options;
  options.timeLimit = 1e-9;
  try {
    postsolve::Run(model, dir, options);
    FAIL() << "a solve with no time finished";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("the time limit is 1e-09 s"), std::string::npos) << e.what();
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
