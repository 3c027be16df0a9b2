// The answer in the model's own terms: exports of a maximisation with an
// objective constant give its objective, sense and duals as the model states
// them; without problem.json, the log's minimisation as before.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "harness.h"
#include "kit.h"
#include "postsolve/terms.h"

namespace {

RunResult Kit(const TempDir& scratch, std::vector<std::string> args) {
  return RunProgram(KIT_EXE, scratch, std::move(args));
}

// max x1 + 2 x2 + 10  s.t.  cap: x1 + x2 <= 4,  0 <= x <= 3: x = (1, 3),
// objective 17, cap's dual 1 (x1's cost), x2's dual slack 2 - 1 = 1.
const char* const kMax =
    "NAME          MAXI\nOBJSENSE\n    MAX\nROWS\n N  obj\n L  cap\nCOLUMNS\n"
    "    x1        obj       1              cap       1\n"
    "    x2        obj       2              cap       1\n"
    "RHS\n    RHS       obj       -10            cap       4\n"
    "BOUNDS\n UP BND       x1        3\n UP BND       x2        3\nENDATA\n";

class Terms : public testing::Test {
 protected:
  void SetUp() override {
    dir.Write("max.mps", kMax);
    ASSERT_EQ(Kit(dir, {"run", dir.File("max.mps"), dir.File("out")}).status, kit::kOk);
  }
  std::string Export(const std::string& format) {
    const RunResult r = Kit(dir, {"export", dir.File("out"), "--format", format});
    EXPECT_EQ(r.status, kit::kOk) << r.err;
    return r.out;
  }
  TempDir dir;
};

TEST_F(Terms, ProblemJsonReadsBack) {
  const ModelTerms t = ReadModelTerms(dir.File("out"));
  EXPECT_TRUE(t.stated && t.maximise);
  EXPECT_EQ(t.constant, 10);
  EXPECT_EQ(t.Objective(-7), 17);  // the log minimises -x1 - 2 x2
  EXPECT_EQ(t.Dual(-1), 1);
  EXPECT_FALSE(ReadModelTerms(dir.path()).stated);  // no problem.json: the log's minimisation
  dir.Write("out/problem.json", "{\"maximise\": true}");
  EXPECT_THROW(ReadModelTerms(dir.File("out")), Error);
}

TEST_F(Terms, CsvAndJsonInTheModelsSense) {
  const std::string csv = Export("csv");
  EXPECT_NE(csv.find("\nobjective,maximise,,,,17,\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\nrow,cap,LE,-inf,4,4,1\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\ncolumn,x2,BO,0,3,3,1\n"), std::string::npos) << csv;
  const nlohmann::json doc = nlohmann::json::parse(Export("json"));
  EXPECT_EQ(doc["objective"].get<double>(), 17);
  EXPECT_EQ(doc["sense"], "maximise");
  EXPECT_EQ(doc["objective_constant"].get<double>(), 10);
  EXPECT_EQ(doc["rows"][0]["dual"].get<double>(), 1);
  EXPECT_EQ(doc["columns"][1]["dual_slack"].get<double>(), 1);
  EXPECT_EQ(doc["dual_convention"], kit::kDualConvention);
  // The report keeps the log's conventions: the minimisation's dual, -1.
  const std::string report = dir.Read("out/MAXI.rpt");
  EXPECT_NE(report.find("-1.000000e+00"), std::string::npos);
}

TEST_F(Terms, TablesForPandas) {
  const std::string out = Export("table");
  EXPECT_EQ(out,
            "name,value,lower,upper,dual,basis\ncap,4,-inf,4,1,at upper\n\n"
            "name,value,lower,upper,dual,basis\nx1,1,0,3,0,basic\nx2,3,0,3,1,at upper\n");
  const RunResult files = Kit(dir, {"export", dir.File("out"), "--format", "table", "-o", dir.File("t")});
  ASSERT_EQ(files.status, kit::kOk) << files.err;
  EXPECT_EQ(dir.Read("t.rows.csv") + "\n" + dir.Read("t.columns.csv"), out);
}

}  // namespace
