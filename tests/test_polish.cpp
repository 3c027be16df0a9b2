// Polish: a postsolved point that misses a tolerance taken into Clp on the
// original model and run to an optimal basic solution; `run` doing it when
// verify fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "harness.h"
#include "kit.h"
#include "postsolve/basis.h"

namespace {

RunResult Kit(const TempDir& scratch, std::vector<std::string> args) {
  return RunProgram(KIT_EXE, scratch, std::move(args));
}

// afiro-all-kinds: the replay leaves column X06 with a wrong-signed dual
// slack (docs/kit.md). Polished, it is optimal, with Clp's own objective.
TEST(Polish, TheAfiroNearMissBecomesOptimal) {
  TempDir dir;
  const std::string lp = std::string(SOURCE_DIR) + "/tests/lp/afiro-all-kinds";
  for (const char* file : {"dravfile.sol", "dravfile.stk", "dravfile.bin"})
    std::filesystem::copy_file(lp + "/" + file, dir.File(file));
  // model.mps is the log's own problem written out: verify finds no difference.
  const std::string modelPath = lp + "/model.mps";
  const Model model = ReadModel(modelPath);
  const RunResult verify = Kit(dir, {"verify", modelPath, dir.path()});
  ASSERT_EQ(verify.status, kit::kOutside);
  EXPECT_NE(verify.out.find("the log's problem is the model's"), std::string::npos) << verify.out;

  const RunResult polish = Kit(dir, {"polish", modelPath, dir.path()});
  EXPECT_EQ(polish.status, kit::kOk) << polish.out << polish.err;
  EXPECT_NE(polish.out.find("before polish:"), std::string::npos);
  EXPECT_NE(polish.out.find("1 measure outside tolerance"), std::string::npos) << polish.out;
  EXPECT_NE(polish.out.find("status 0 optimal, "), std::string::npos) << polish.out;
  EXPECT_NE(polish.out.find("after polish:"), std::string::npos);
  EXPECT_NE(polish.out.rfind("all measures within their tolerances"), std::string::npos);

  const nlohmann::json doc = nlohmann::json::parse(dir.Read("polished.json"));
  const ClpAnswer direct = SolveWithClp(model);
  EXPECT_NEAR(doc["objective"].get<double>(), direct.objective, 1e-9 * std::fabs(direct.objective));
  EXPECT_EQ(doc["sense"], "minimise");
  EXPECT_EQ(doc["rows"].size(), model.rlo.size());
  EXPECT_EQ(doc["columns"].size(), model.clo.size());
  // The basis beside it starts Clp with no iteration.
  Basis end;
  const ClpAnswer warm = SolveFromBasis(model, ReadBasisFile(dir.File("polished.bas"), model), {}, end);
  EXPECT_EQ(warm.iterations, 0);
  // The report of the postsolve program is not touched: polish writes beside it.
  EXPECT_FALSE(dir.Exists("AFIRO.rpt"));
}

TEST(Polish, RunPolishesAPointThatMissesUnlessTold) {
  // Tolerances of 0 leave rounding in the postsolved point outside them:
  // run polishes, and says what the polished point gives.
  TempDir dir;
  const std::string model = std::string("/usr/share/coin/Data/Sample/") + "brandy.mps";
  const std::vector<std::string> strict = {"--primal-tol", "0", "--dual-tol", "0", "--comp-tol", "0"};
  std::vector<std::string> args = {"run", model, dir.File("polished")};
  args.insert(args.end(), strict.begin(), strict.end());
  const RunResult run = Kit(dir, args);
  EXPECT_NE(run.out.find("polish: the postsolved point missed a tolerance"), std::string::npos) << run.out;
  EXPECT_TRUE(dir.Exists("polished/polished.json") && dir.Exists("polished/polished.bas"));
  const nlohmann::json doc = nlohmann::json::parse(dir.Read("polished/polished.json"));
  EXPECT_EQ(run.status, doc["passed"].get<bool>() ? kit::kOk : kit::kOutside);
  EXPECT_NEAR(doc["objective"].get<double>(), 1518.5098964881, 1e-6);
  // --no-polish leaves the point as it is: exit 3, no polished files.
  args[2] = dir.File("left");
  args.push_back("--no-polish");
  const RunResult left = Kit(dir, args);
  EXPECT_EQ(left.status, kit::kOutside);
  EXPECT_TRUE(dir.Exists("left/basis.bas"));
  EXPECT_FALSE(dir.Exists("left/polished.json"));
  // The report stays the postsolve program's own, polished or not.
  EXPECT_EQ(dir.Read("polished/BRANDY.rpt"), dir.Read("left/BRANDY.rpt"));
}

TEST(Polish, ThroughTheLibraryAndOnAMaximisation) {
  // A maximisation: the polished file gives the objective with its sense and
  // constant, and duals of the model as given.
  TempDir dir;
  dir.Write("max.mps",
            "NAME          MAXI\nOBJSENSE\n    MAX\nROWS\n N  obj\n L  cap\nCOLUMNS\n"
            "    x1        obj       1              cap       1\n"
            "    x2        obj       2              cap       1\n"
            "RHS\n    RHS       obj       -10            cap       4\n"
            "BOUNDS\n UP BND       x1        3\n UP BND       x2        3\nENDATA\n");
  const Model model = ReadModel(dir.File("max.mps"));
  const RunResult run = Kit(dir, {"run", dir.File("max.mps"), dir.File("out")});
  ASSERT_EQ(run.status, kit::kOk) << run.out << run.err;
  EXPECT_FALSE(dir.Exists("out/polished.json"));  // nothing missed
  const Polished p = Polish(model, dir.File("out"));
  EXPECT_TRUE(p.passed());
  EXPECT_EQ(p.iterations, 0);
  EXPECT_EQ(p.objective, 1 + 6 + 10);  // x = (1, 3), constant 10
  WritePolished(model, p, dir.File("out"));
  const nlohmann::json doc = nlohmann::json::parse(dir.Read("out/polished.json"));
  EXPECT_EQ(doc["sense"], "maximise");
  EXPECT_EQ(doc["objective"].get<double>(), 17);
  EXPECT_EQ(doc["rows"][0]["dual"].get<double>(), 1);  // one more unit of cap: one more unit of x1
  EXPECT_EQ(doc["rows"][0]["basis"], "at upper");
  EXPECT_EQ(doc["columns"][1]["reduced_cost"].get<double>(), 1);  // x2 at its upper bound earns 2 - 1
}

}  // namespace
