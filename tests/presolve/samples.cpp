// Every sample LP through presolve, Clp on the reduced LP and the replay:
// optimal for the full LP with Clp's own objective, with all kinds and with
// each kind alone; the infeasible and unbounded samples keep their status.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "postsolve/solve.h"
#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveSamples, EveryLpEndsOptimalAndTheKindsAllFire) {
  std::array<long, NCODES> fired{};
  for (const std::string& path : kModels) {
    const Model model = ReadModel(path);
    const Chain chain = RunChain(model);
    ExpectOptimal(model, chain, path);
    for (Reduction k : kReductionKinds) fired[AsInt(k)] += chain.presolved.count(k);
  }
  // MINBND never shows on these; PresolveKinds has it
  for (Reduction k : kReductionKinds)
    if (k != Reduction::MINBND) {
      EXPECT_GT(fired[AsInt(k)], 0) << ReductionName(k) << " never applied";
    }
}

TEST(PresolveSamples, EachKindAloneKeepsTheOptimum) {
  for (Reduction kind : kReductionKinds) {
    for (const std::string& path : kModels) {
      const Model model = ReadModel(path);
      const Chain chain = RunChain(model, Only(kind));
      ExpectOptimal(model, chain, path + " with only " + ReductionName(kind));
      for (Reduction other : kReductionKinds)
        if (other != kind) {
          EXPECT_EQ(chain.presolved.count(other), 0) << path;
        }
    }
  }
}

TEST(PresolveSamples, InfeasibleAndUnboundedModelsKeepTheirStatus) {
  try {
    Presolve(ReadModel(kSamples + "galenet.mps"), {});
    ADD_FAILURE() << "galenet presolved";
  } catch (const PostError& e) {
    EXPECT_NE(std::string(e.what()).find("infeasible: row NODE5"), std::string::npos) << e.what();
  }
  const std::vector<std::pair<std::string, int>> expected = {
      {kSamples + "exmip1.5.mps", 1}, {kSamples + "galenetbnds.mps", 1}, {kGlpk + "murtagh.mps", 2}};
  for (const auto& [path, status] : expected) {
    const Model model = ReadModel(path);
    EXPECT_EQ(SolveWithClp(Presolve(model, {}).reduced, 0).sol.status, status) << path;
  }
}
