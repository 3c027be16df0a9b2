// Polish: a postsolved point that misses a tolerance taken into Clp on the
// original model and run to an optimal basic solution; `run` doing it when
// verify fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "harness.h"
#include "kit.h"
#include "postsolve/basis.h"
#include "records.h"
#include "walk.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

RunResult Kit(const TempDir& scratch, std::vector<std::string> args) {
  return RunProgram(KIT_EXE, scratch, std::move(args));
}

// The problem a log states, as a model: what the committed runs in tests/lp
// were presolved from.
Model ModelOfLog(const std::string& dir) {
  LoggedProblem logged;
  const FullSolution sol = CollectSolution(kit::LoadDir(dir), &logged);
  Model m;
  m.path = sol.name + ".mps";
  m.name = sol.name;
  for (std::size_t i = 0; i < sol.rows.size(); ++i) {
    const char type = logged.rtype[i];
    m.rowNames.push_back(sol.rows[i].name);
    m.rlo.push_back(type == 'L' ? -kInf : UnloggedBound(logged.rlo[i]));
    m.rup.push_back(type == 'G' ? kInf : type == 'E' ? logged.rlo[i] : UnloggedBound(logged.rup[i]));
  }
  for (std::size_t j = 0; j < sol.cols.size(); ++j) {
    m.colNames.push_back(sol.cols[j].name);
    m.clo.push_back(UnloggedBound(logged.clo[j]));
    m.cup.push_back(UnloggedBound(logged.cup[j]));
    m.cost.push_back(logged.cost[j]);
    for (const auto& [row, value] : logged.cols[j]) {
      m.index.push_back(row);
      m.value.push_back(value);
    }
    m.start.push_back(static_cast<int>(m.index.size()));
  }
  return m;
}

// afiro-all-kinds: the replay leaves column X06 with a wrong-signed dual
// slack (docs/kit.md). Polished, it is optimal, with Clp's own objective.
TEST(Polish, TheAfiroNearMissBecomesOptimal) {
  TempDir dir;
  const std::string lp = std::string(SOURCE_DIR) + "/tests/lp/afiro-all-kinds";
  for (const char* file : {"dravfile.sol", "dravfile.stk", "dravfile.bin"})
    std::filesystem::copy_file(lp + "/" + file, dir.File(file));
  const Model model = ModelOfLog(lp);
  WriteMps(model, dir.File("model.mps"));
  ASSERT_EQ(Kit(dir, {"verify", dir.File("model.mps"), dir.path()}).status, kit::kOutside);

  const RunResult polish = Kit(dir, {"polish", dir.File("model.mps"), dir.path()});
  EXPECT_EQ(polish.status, kit::kOk) << polish.out << polish.err;
  EXPECT_NE(polish.out.find("before polish:"), std::string::npos);
  EXPECT_NE(polish.out.find("1 measure outside tolerance"), std::string::npos) << polish.out;
  EXPECT_NE(polish.out.find("status 0 optimal, "), std::string::npos) << polish.out;
  EXPECT_NE(polish.out.find("after polish:"), std::string::npos);
  EXPECT_NE(polish.out.rfind("all measures within their tolerances"), std::string::npos);

  const nlohmann::json doc = nlohmann::json::parse(dir.Read("polished.json"));
  const ClpAnswer direct = SolveWithClp(ReadModel(dir.File("model.mps")));
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
