// Model files from the installed samples and the glpk examples (each .mod
// turned into free MPS and LP by glpsol) through the whole pipeline: every one
// reads, runs to the objective Clp reaches on the model itself, and the LP
// file to the objective of its MPS twin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"
#include "postsolve/model.h"
#include "postsolve/run.h"
#include "postsolve/solve.h"

namespace postsolve {
namespace {

namespace fs = std::filesystem;
const fs::path kCoinSamples = "/usr/share/coin/Data/Sample";
const fs::path kGlpkExamples = "/usr/share/doc/glpk-utils/examples";

bool Near(double a, double b) { return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b)); }

// What one model file gives: Clp on the model itself, then the pipeline.
struct Outcome {
  std::string file, failure;
  Status clp = Status::Unsolved;
  double clpObjective = 0, runObjective = 0;
  bool ran = false, passed = false;
};

Outcome RunOne(const std::string& path, const TempDir& scratch) {
  Outcome out{path};
  try {
    const Model model = ReadModel(path);
    const ClpAnswer direct = SolveWithClp(model, 0);
    out.clp = static_cast<Status>(direct.sol.status);
    out.clpObjective = direct.objective;
    if (out.clp != Status::Optimal) return out;
    const RunResult run = Run(model, scratch.File(fs::path(path).filename().string()));
    out.ran = true;
    out.runObjective = run.verify.objective;
    out.passed = run.verify.passed();
  } catch (const Error& e) {
    out.failure = e.what();
  }
  return out;
}

std::vector<Outcome> RunAll(const std::vector<std::string>& files) {
  std::vector<Outcome> outcomes(files.size());
  ForEachInParallel(files.size(), [&](const TempDir& scratch, std::size_t i) { outcomes[i] = RunOne(files[i], scratch); });
  return outcomes;
}

void ExpectRunsToClpsObjective(const Outcome& o) {
  SCOPED_TRACE(o.file);
  EXPECT_EQ(o.failure, "");
  if (o.clp != Status::Optimal) return;  // infeasible or unbounded: Clp's verdict is the pipeline's, tested apart
  EXPECT_TRUE(o.ran);
  EXPECT_TRUE(Near(o.runObjective, o.clpObjective)) << o.runObjective << " against " << o.clpObjective;
  EXPECT_TRUE(o.passed);
}

TEST(Examples, EveryLinearSampleRunsToClpsObjective) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(kCoinSamples)) {
    const std::string name = entry.path().filename().string();
    // conic.mps, share2qp.mps and spec_sections.mps hold sections only linear programs lack; refused apart.
    if (entry.path().extension() == ".mps" && name != "conic.mps" && name != "share2qp.mps" &&
        name != "spec_sections.mps")
      files.push_back(entry.path().string());
  }
  for (const char* name : {"alloy.mps", "furnace.mps", "icecream.mps", "plan.mps", "samp1.mps", "samp2.mps",
                           "murtagh.mps", "plan.lp", "wolfra6d.lp"})
    if (fs::exists(kGlpkExamples / name)) files.push_back((kGlpkExamples / name).string());
  ASSERT_GT(files.size(), 10u);
  for (const Outcome& o : RunAll(files)) ExpectRunsToClpsObjective(o);
}

TEST(Examples, EveryGlpkModelAsMpsAndAsLpRunsToTheSameObjective) {
  if (std::system("command -v glpsol >/dev/null 2>&1") != 0) GTEST_SKIP() << "no glpsol";
  TempDir converted;
  std::vector<std::string> stems;
  for (const auto& entry : fs::directory_iterator(kGlpkExamples))
    if (entry.path().extension() == ".mod" && entry.path().stem() != "huge")  // huge.mod takes glpsol minutes
      stems.push_back(entry.path().stem().string());
  std::sort(stems.begin(), stems.end());
  std::vector<char> made(stems.size(), 0);
  ForEachInParallel(stems.size(), [&](const TempDir&, std::size_t i) {
    const std::string out = converted.File(stems[i]);
    const std::string command = "cd " + kGlpkExamples.string() + " && timeout 60 glpsol --check -m " + stems[i] +
                                ".mod --wfreemps " + out + ".mps --wlp " + out + ".lp >/dev/null 2>&1";
    made[i] = std::system(command.c_str()) == 0;
  });
  std::vector<std::string> files;
  for (std::size_t i = 0; i < stems.size(); ++i)
    if (made[i]) {
      files.push_back(converted.File(stems[i] + ".mps"));
      files.push_back(converted.File(stems[i] + ".lp"));
    }
  ASSERT_GT(files.size(), 100u);
  const std::vector<Outcome> outcomes = RunAll(files);
  for (std::size_t i = 0; i + 1 < outcomes.size(); i += 2) {
    const Outcome &mps = outcomes[i], &lp = outcomes[i + 1];
    ExpectRunsToClpsObjective(mps);
    ExpectRunsToClpsObjective(lp);
    SCOPED_TRACE(lp.file);
    EXPECT_EQ(lp.clp, mps.clp);
    // glpsol writes the objective's constant into LP files only as a comment.
    if (lp.ran && mps.ran) {
      const double constant = ReadModel(mps.file).objOffset;
      EXPECT_TRUE(Near(lp.runObjective + constant, mps.runObjective) || Near(lp.runObjective, mps.runObjective))
          << lp.runObjective << " against " << mps.runObjective;
    }
  }
}

}  // namespace
}  // namespace postsolve
