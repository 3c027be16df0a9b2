// Models and solvers: the model reader and writer on hand-made files and the
// sample models, `solve` with known optima and duals, `import` of other
// solvers' answers, and `verify` on the committed runs, clean and damaged.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "kit.h"
#include "measures.h"
#include "postsolve/solve.h"
#include "harness.h"
#include "postsolve/model.h"


namespace {

const std::string kSamples = "/usr/share/coin/Data/Sample/";

RunResult Kit(const TempDir& scratch, std::vector<std::string> args) {
  return RunProgram(KIT_EXE, scratch, std::move(args));
}

std::string Lp(const std::string& name) { return std::string(SOURCE_DIR) + "/tests/lp/" + name; }

bool Near(double a, double b, double rel) { return a == b || std::fabs(a - b) <= rel * std::max(1.0, std::fabs(b)); }

// Every section a linear MPS model may have: OBJSENSE, ranges on an equality
// (negative: [rhs + R, rhs]) and on a <= row, each bound type, an integer
// marker and the objective constant as the objective row's right-hand side.
const char* const kEveryKind = R"(NAME          KINDS
OBJSENSE
    MAX
ROWS
 N  COST
 L  LIM1
 G  LIM2
 E  MYEQN
 L  R4
COLUMNS
    X1        COST         1.0   LIM1         1.0
    X1        LIM2         1.0
    MARKER                 'MARKER'                 'INTORG'
    X2        COST         2.0   LIM1         1.0
    X2        MYEQN       -1.0
    MARKER                 'MARKER'                 'INTEND'
    X3        COST        -1.0   MYEQN        1.0
    X4        R4           1.0
    X5        COST         1.0   R4           1.0
RHS
    RHS       COST        -3.5
    RHS       LIM1         4.0   LIM2         1.0
    RHS       MYEQN        7.0   R4           2.0
RANGES
    RNG       R4           3.0   MYEQN       -2.0
BOUNDS
 UP BND       X1           4.0
 LO BND       X2          -1.0
 UP BND       X2           1.0
 MI BND       X3
 FR BND       X4
 FX BND       X5           2.5
ENDATA
)";

// min x + 2y  s.t.  r1: x + y >= 1,  r2: x <= 5: x = 1, y(r1) = 1, z = (0, 1).
const char* const kTiny = "NAME TINY FREE\nROWS\n N obj\n G r1\n L r2\nCOLUMNS\n x obj 1 r1 1\n x r2 1\n"
                          " y obj 2 r1 1\nRHS\n rhs r1 1 r2 5\nENDATA\n";

// ---- reading and writing models ----

TEST(ModelFile, EveryMpsSectionReadsAsWritten) {
  TempDir dir;
  dir.Write("kinds.mps", kEveryKind);
  const Model m = ReadModel(dir.File("kinds.mps"));
  const double inf = INFINITY;
  EXPECT_EQ(m.name, "KINDS");
  EXPECT_TRUE(m.maximise);
  EXPECT_EQ(m.objOffset, 3.5);  // RHS -3.5 on the objective row
  EXPECT_EQ(m.rowNames, (std::vector<std::string>{"LIM1", "LIM2", "MYEQN", "R4"}));
  EXPECT_EQ(m.rlo, (std::vector<double>{-inf, 1, 5, -1}));
  EXPECT_EQ(m.rup, (std::vector<double>{4, inf, 7, 2}));
  EXPECT_EQ(m.clo, (std::vector<double>{0, -1, -inf, -inf, 2.5}));
  EXPECT_EQ(m.cup, (std::vector<double>{4, 1, inf, inf, 2.5}));
  EXPECT_EQ(m.cost, (std::vector<double>{1, 2, -1, 0, 1}));
  EXPECT_EQ(m.start, (std::vector<int>{0, 2, 4, 5, 6, 7}));
  ASSERT_EQ(m.notes.size(), 1u);
  EXPECT_NE(m.notes[0].find("1 integer column"), std::string::npos);

  // Written and read back: the same model, the sense and constant included.
  WriteMps(m, dir.File("back.mps"));
  const Model back = ReadModel(dir.File("back.mps"));
  EXPECT_TRUE(back.maximise);
  EXPECT_EQ(back.objOffset, m.objOffset);
  EXPECT_EQ(back.rlo, m.rlo);
  EXPECT_EQ(back.rup, m.rup);
  EXPECT_EQ(back.clo, m.clo);
  EXPECT_EQ(back.cup, m.cup);
  EXPECT_EQ(back.value, m.value);
}

TEST(ModelFile, LpFormatKeepsTheSenseCostsAndConstant) {
  TempDir dir;
  dir.Write("max.lp", "Maximize\n obj: 3 x + 2 y + 5\nSubject To\n c1: x + y <= 4\n c2: x + 3 y >= -6\n"
                      "Bounds\n x <= 3\n y free\nEnd\n");
  const Model m = ReadModel(dir.File("max.lp"));
  EXPECT_TRUE(m.maximise);
  EXPECT_EQ(m.cost, (std::vector<double>{3, 2}));
  EXPECT_EQ(m.objOffset, 5);
  EXPECT_EQ(m.rowNames, (std::vector<std::string>{"c1", "c2"}));
  EXPECT_EQ(m.clo[1], -INFINITY);
}

TEST(ModelFile, WrittenNumbersAreShortestRoundTrip) {
  TempDir dir;
  Model m;
  m.path = "built";
  m.name = "P";
  m.rowNames = {"r"};
  m.colNames = {"x", "empty"};
  m.rlo = {-0.1};
  m.rup = {0.30000000000000004};  // a range whose sides are not 15-digit numbers
  m.clo = {-2, 0};
  m.cup = {-1, 7};
  m.cost = {1.0 / 3, 0};
  m.start = {0, 1, 1};
  m.index = {0};
  m.value = {0.1 + 0.2};
  WriteMps(m, dir.File("p.mps"));
  const std::string text = dir.Read("p.mps");
  EXPECT_NE(text.find("x r 0.30000000000000004"), std::string::npos) << text;
  EXPECT_NE(text.find("0.3333333333333333"), std::string::npos) << text;
  const Model back = ReadModel(dir.File("p.mps"));
  EXPECT_EQ(back.colNames, m.colNames);  // the empty column is kept
  EXPECT_EQ(back.clo, m.clo);            // a negative upper bound keeps its lower bound
  EXPECT_EQ(back.cup, m.cup);
  EXPECT_TRUE(Near(back.rlo[0], m.rlo[0], 1e-15) && Near(back.rup[0], m.rup[0], 1e-15));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"p.mps"});  // nothing left beside it
}

TEST(ModelFile, EverySampleLpSurvivesWriteAndRead) {
  TempDir dir;
  for (const char* name : {"afiro", "brandy", "e226", "finnis", "p0033", "exmip1", "galenet", "tp4"}) {
    const Model m = ReadModel(kSamples + name + ".mps");
    WriteMps(m, dir.File("w.mps"));
    const Model back = ReadModel(dir.File("w.mps"));
    ASSERT_EQ(back.rowNames, m.rowNames) << name;
    ASSERT_EQ(back.colNames, m.colNames) << name;
    ASSERT_EQ(back.start, m.start) << name;
    ASSERT_EQ(back.index, m.index) << name;
    // CoinUtils' decimal conversion may land an ulp or two off: compare closely, not bitwise.
    for (std::size_t k = 0; k < m.value.size(); ++k) ASSERT_TRUE(Near(back.value[k], m.value[k], 1e-15)) << name;
    for (int i = 0; i < m.rows(); ++i)
      ASSERT_TRUE(Near(back.rlo[i], m.rlo[i], 1e-15) && Near(back.rup[i], m.rup[i], 1e-15)) << name << i;
    for (int j = 0; j < m.cols(); ++j)
      ASSERT_TRUE(Near(back.clo[j], m.clo[j], 1e-15) && Near(back.cup[j], m.cup[j], 1e-15) &&
                  Near(back.cost[j], m.cost[j], 1e-15))
          << name << j;
  }
}

TEST(ModelFile, RefusalsNameTheFileLineAndReason) {
  auto why = [](const std::string& path) {
    try {
      ReadModel(path);
    } catch (const PostError& e) {
      return std::string(e.what());
    }
    return std::string("read");
  };
  EXPECT_EQ(why(kSamples + "share2qp.mps"), kSamples + "share2qp.mps:498: QUADOBJ section: only linear programs are read");
  EXPECT_NE(why(kSamples + "spec_sections.mps").find("SOS section"), std::string::npos);
  TempDir dir;
  dir.Write("bad.mps", "NAME B\nROWS\n N c\n L r\nCOLUMNS\n    X1        c            1.0   r            abc\nENDATA\n");
  EXPECT_EQ(why(dir.File("bad.mps")),
            dir.File("bad.mps") + ":6: \"abc\" is not a number, for the coefficient of column \"X1\" in row \"r\"");
  EXPECT_EQ(why(dir.File("none.mps")), dir.File("none.mps") + ": cannot open: No such file or directory");
  dir.Write("empty.mps", "");
  EXPECT_EQ(why(dir.File("empty.mps")), dir.File("empty.mps") + ": no ENDATA line: the MPS file is incomplete");
  // A cut file: the first fault met is told (here an unknown column, before the missing ENDATA).
  dir.Write("cut.mps", "NAME X\nROWS\n N c\n L r\nCOLUMNS\n    x         c            1.0\nBOUNDS\n FR BND       X4TEN");
  EXPECT_EQ(why(dir.File("cut.mps")), dir.File("cut.mps") + ":8: column \"X4TEN\" of the bound is not in COLUMNS");
  dir.Write("cut2.mps", "NAME X\nROWS\n N c\n L r\nCOLUMNS\n    x         c            1.0\nBOUNDS\n FR BND       x");
  EXPECT_EQ(why(dir.File("cut2.mps")), dir.File("cut2.mps") + ":8: no ENDATA line: the MPS file is incomplete");
  dir.Write("bad.lp", "Minimize\n obj: x +\nEnd\n");  // the LP reader's refusals: tests/model/test_lp.cpp
  EXPECT_EQ(why(dir.File("bad.lp")), dir.File("bad.lp") + ":3: expected a term after \"+\", found \"End\"");
}

// ---- solve ----

// Reads DIR/dravfile.sol back as a reduced solution.
ReducedSolution SolutionIn(const TempDir& dir) {
  const std::string bytes = dir.Read(SOLFILE);
  ReducedSolution sol;
  sol.status = I32(bytes, 0);
  const auto nc = static_cast<std::size_t>(I32(bytes, 4)), nr = static_cast<std::size_t>(I32(bytes, 8));
  auto doubles = [&](std::size_t at, std::size_t count) {
    std::vector<double> v(count);
    if (count > 0) std::memcpy(v.data(), bytes.data() + 12 + 8 * at, 8 * count);
    return v;
  };
  sol.x = doubles(0, nc);
  sol.y = doubles(nc, nr);
  sol.z = doubles(nc + nr, nc);
  return sol;
}

TEST(KitSolve, DualsFollowTheLogsConventions) {
  TempDir dir;
  dir.Write("reduced.mps", kTiny);
  RunResult run = Kit(dir, {"solve", dir.path()});
  ASSERT_EQ(run.status, kit::kOk) << run.err;
  ReducedSolution sol = SolutionIn(dir);
  EXPECT_EQ(sol.status, 0);
  EXPECT_EQ(sol.x, (std::vector<double>{1, 0}));
  EXPECT_EQ(sol.y, (std::vector<double>{1, 0}));  // a >= row at its lower side: y >= 0
  EXPECT_EQ(sol.z, (std::vector<double>{0, 1}));  // z = c - A'y

  // max x + 2y s.t. x + y <= 4, x <= 3: solved as min -x - 2y, whose <= row has y = -2.
  dir.Write("reduced.mps", "NAME M FREE\nOBJSENSE\n MAX\nROWS\n N obj\n L r1\nCOLUMNS\n x obj 1 r1 1\n"
                           " y obj 2 r1 1\nRHS\n rhs r1 4\nBOUNDS\n UP b x 3\nENDATA\n");
  run = Kit(dir, {"solve", dir.path()});
  ASSERT_EQ(run.status, kit::kOk) << run.err;
  EXPECT_NE(run.err.find("maximises"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("objective 8"), std::string::npos) << run.out;
  sol = SolutionIn(dir);
  EXPECT_EQ(sol.x, (std::vector<double>{0, 4}));
  EXPECT_EQ(sol.y, (std::vector<double>{-2}));
  EXPECT_EQ(sol.z, (std::vector<double>{1, 0}));
}

TEST(KitSolve, AfiroGivesItsPublishedOptimum) {
  TempDir dir;
  std::filesystem::copy_file(kSamples + "afiro.mps", dir.File("reduced.mps"));
  const RunResult run = Kit(dir, {"solve", dir.path()});
  ASSERT_EQ(run.status, kit::kOk) << run.err;
  const Model m = ReadModel(dir.File("reduced.mps"));
  const ReducedSolution sol = SolutionIn(dir);
  ASSERT_EQ(sol.x.size(), 32u);
  ASSERT_EQ(sol.y.size(), 27u);
  double objective = 0;
  for (std::size_t j = 0; j < sol.x.size(); ++j) objective += m.cost[j] * sol.x[j];
  EXPECT_TRUE(Near(objective, -464.7531428571, 1e-10)) << objective;
  for (std::size_t j = 0; j < sol.x.size(); ++j) {  // the dual slacks are c - A'y
    double z = m.cost[j];
    for (int k = m.start[j]; k < m.start[j + 1]; ++k) z -= m.value[k] * sol.y[m.index[k]];
    EXPECT_NEAR(sol.z[j], z, 1e-9) << j;
  }
  // e226's objective row has RHS -7.113: the constant is +7.113, and c.x is the published -18.751929066.
  std::filesystem::copy_file(kSamples + "e226.mps", dir.File("reduced.mps"),
                             std::filesystem::copy_options::overwrite_existing);
  const RunResult e226 = Kit(dir, {"solve", dir.path()});
  const std::size_t at = e226.out.find("objective ");
  ASSERT_NE(at, std::string::npos) << e226.out;
  EXPECT_NEAR(std::stod(e226.out.substr(at + 10)), -18.751929066 + 7.113, 2e-9) << e226.out;
}

TEST(KitSolve, InfeasibleSaysSoAndBrokenInputLeavesTheOldFile) {
  TempDir dir;
  dir.Write("reduced.mps", "NAME I FREE\nROWS\n N obj\n G r1\nCOLUMNS\n x obj 1 r1 1\nRHS\n rhs r1 5\n"
                           "BOUNDS\n UP b x 1\nENDATA\n");
  RunResult run = Kit(dir, {"solve", dir.path()});
  EXPECT_EQ(run.status, kit::kOk);
  EXPECT_NE(run.err.find("infeasible"), std::string::npos) << run.err;
  EXPECT_EQ(SolutionIn(dir).status, 1);

  const std::string before = dir.Read(SOLFILE);
  dir.Write("reduced.mps", "NAME B\nROWS\n N c\nCOLUMNS\n    X1        c            abc\nENDATA\n");
  run = Kit(dir, {"solve", dir.path()});
  EXPECT_EQ(run.status, kit::kFailed);
  EXPECT_EQ(CountLines(run.err), 1) << run.err;
  EXPECT_EQ(dir.Read(SOLFILE), before);
}

// ---- import and export ----

TEST(KitImport, AnswersMatchedByNameOrTakenInOrder) {
  TempDir dir;
  const std::string highs =
      "Model status\nOptimal\n\n# Primal solution values\nFeasible\nObjective 1\n# Columns 2\ny 0\nx 1\n"
      "# Rows 2\nr2 1\nr1 1\n\n# Dual solution values\nFeasible\n# Columns 2\ny 1\nx 0\n# Rows 2\nr2 0\nr1 1\n"
      "\n# Basis\nHiGHS v1\n";
  dir.Write("answer.sol", highs);
  // Without reduced.mps the file's order stands.
  ASSERT_EQ(Kit(dir, {"import", "highs", dir.File("answer.sol"), dir.path()}).status, kit::kOk);
  EXPECT_EQ(SolutionIn(dir).x, (std::vector<double>{0, 1}));
  // With it, names put the values in its order.
  dir.Write("reduced.mps", kTiny);
  ASSERT_EQ(Kit(dir, {"import", "highs", dir.File("answer.sol"), dir.path()}).status, kit::kOk);
  ReducedSolution sol = SolutionIn(dir);
  EXPECT_EQ(sol.x, (std::vector<double>{1, 0}));
  EXPECT_EQ(sol.y, (std::vector<double>{1, 0}));
  EXPECT_EQ(sol.z, (std::vector<double>{0, 1}));

  dir.Write("answer.csv", "kind,name,value,dual\nrow,r1,1,1\ncolumn,y,0,1\ncolumn,x,1,0\nrow,r2,1,0\n"
                          "status,infeasible,,\n");
  ASSERT_EQ(Kit(dir, {"import", "csv", dir.File("answer.csv"), dir.path()}).status, kit::kOk);
  sol = SolutionIn(dir);
  EXPECT_EQ(sol.status, 1);
  EXPECT_EQ(sol.x, (std::vector<double>{1, 0}));
  EXPECT_EQ(sol.z, (std::vector<double>{0, 1}));

  // A name reduced.mps does not have: one line naming the file and line.
  dir.Write("answer.csv", "row,r1,1,1\ncolumn,w,0,1\n");
  const RunResult bad = Kit(dir, {"import", "csv", dir.File("answer.csv"), dir.path()});
  EXPECT_EQ(bad.status, kit::kFailed);
  EXPECT_EQ(bad.err, "postsolve-kit: " + dir.File("answer.csv") + ": line 2: column \"w\" is not in reduced.mps\n");
}

TEST(KitImport, ExportedHighsFileReadsBackToTheBits) {
  // The full solution of brandy exported, then imported against brandy itself.
  TempDir dir;
  ASSERT_EQ(Kit(dir, {"export", Lp("brandy"), "--format", "highs", "-o", dir.File("full.sol")}).status, kit::kOk);
  std::filesystem::copy_file(kSamples + "brandy.mps", dir.File("reduced.mps"));
  ASSERT_EQ(Kit(dir, {"import", "highs", dir.File("full.sol"), dir.path()}).status, kit::kOk);
  const FullSolution full = CollectSolution(kit::LoadDir(Lp("brandy")));
  const Model m = ReadModel(dir.File("reduced.mps"));
  const ReducedSolution sol = SolutionIn(dir);
  ASSERT_EQ(sol.x.size(), full.cols.size());
  for (std::size_t j = 0; j < full.cols.size(); ++j) {
    ASSERT_EQ(m.colNames[j], full.cols[j].name);  // brandy's order is the log's
    EXPECT_EQ(sol.x[j], full.cols[j].x) << j;
    EXPECT_EQ(sol.z[j], full.cols[j].z) << j;
  }
  for (std::size_t i = 0; i < full.rows.size(); ++i) EXPECT_EQ(sol.y[i], full.rows[i].dual) << i;
}

// ---- verify ----

TEST(KitVerify, CommittedRunsPassAgainstTheirModels) {
  TempDir dir;
  for (const char* name : {"brandy", "finnis"}) {
    const RunResult run = Kit(dir, {"verify", kSamples + name + ".mps", Lp(name)});
    EXPECT_EQ(run.status, kit::kOk) << name << run.out << run.err;
    EXPECT_NE(run.out.find("the log's problem is the model's"), std::string::npos) << run.out;
  }
  const RunResult brandy = Kit(dir, {"verify", kSamples + "brandy.mps", Lp("brandy")});
  EXPECT_NE(brandy.out.find("objective, minimised, constant 0: 1518.50989648"), std::string::npos) << brandy.out;
}

// The committed brandy run as case text with `from` replaced by `to` once, packed into dir.
void DamagedBrandy(const TempDir& dir, const std::string& from, const std::string& to) {
  const RunResult dump = Kit(dir, {"dump", Lp("brandy")});
  std::string text = dump.out;
  const auto at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  dir.Write("damaged.case", text);
  ASSERT_EQ(Kit(dir, {"pack", dir.File("damaged.case"), dir.path()}).status, kit::kOk);
}

TEST(KitVerify, OneWrongValueOrEntryFailsNamingIt) {
  const std::string model = kSamples + "brandy.mps";
  {  // one primal value of the reduced solution
    TempDir dir;
    DamagedBrandy(dir, "x [73.5968316540474", "x [73.6968316540474");
    const RunResult run = Kit(dir, {"verify", model, dir.path()});
    EXPECT_EQ(run.status, kit::kOutside);
    EXPECT_NE(run.out.find("row primal feasibility             0.1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("row 55 \"10056A\""), std::string::npos) << run.out;
  }
  {  // one dual turned round
    TempDir dir;
    DamagedBrandy(dir, "y [0 -0.11865005935881201", "y [0 0.11865005935881201");
    const RunResult run = Kit(dir, {"verify", model, dir.path()});
    EXPECT_EQ(run.status, kit::kOutside) << run.out;
    EXPECT_NE(run.out.find("row dual feasibility               0.118650059358812"), std::string::npos) << run.out;
  }
  {  // one matrix entry of the log: the solution still fits, the log does not
    TempDir dir;
    DamagedBrandy(dir, "MATRIX\n", "MATRIX\n");
    std::string text = dir.Read("damaged.case");
    const auto group = text.find('(', text.find("MATRIX\n"));
    const auto value = text.find(' ', group) + 1;
    text.replace(value, text.find_first_of(" )", value) - value, "-2");
    dir.Write("damaged.case", text);
    ASSERT_EQ(Kit(dir, {"pack", dir.File("damaged.case"), dir.path()}).status, kit::kOk);
    const RunResult run = Kit(dir, {"verify", model, dir.path()});
    EXPECT_EQ(run.status, kit::kOutside);
    EXPECT_NE(run.out.find("differs from the model: column \"100001\", row \"10056A\": matrix entry -2 in the log, "
                           "-1 in the model"),
              std::string::npos)
        << run.out;
  }
}

TEST(KitVerify, MaximisedModelAgainstItsNegatedLog) {
  // max x + 2y + 1 s.t. r1: x + y <= 4, x <= 3; the log holds the minimisation
  // of -x - 2y with nothing reduced, and solve fills in its solution.
  TempDir dir;
  const std::string model = "NAME M FREE\nOBJSENSE\n MAX\nROWS\n N obj\n L r1\nCOLUMNS\n x obj 1 r1 1\n"
                            " y obj 2 r1 1\nRHS\n rhs obj -1\n rhs r1 4\nBOUNDS\n UP b x 3\nENDATA\n";
  dir.Write("reduced.mps", model);
  auto logWithCosts = [&](const std::string& costs) {
    dir.Write("m.case", "solution -1 0 0\nHEADER \"M\" rlo [-1e30] rup [4] rtype \"L\" clo [0 0] cup [3 1e30]\n"
                        "names \"r1\" \"x\" \"y\"\nMATRIX c [" + costs + "] (0 1) (0 1)\nCOLMAP [0 1]\nROWMAP [0]\n");
    ASSERT_EQ(Kit(dir, {"pack", dir.File("m.case"), dir.path()}).status, kit::kOk);
    ASSERT_EQ(Kit(dir, {"solve", dir.path()}).status, kit::kOk);
  };
  logWithCosts("-1 -2");
  RunResult run = Kit(dir, {"verify", dir.File("reduced.mps"), dir.path()});
  EXPECT_EQ(run.status, kit::kOk) << run.out << run.err;
  EXPECT_NE(run.out.find("objective, maximised, constant 1: 9\n"), std::string::npos) << run.out;
  // A log that kept the maximisation's costs is the presolver's fault.
  logWithCosts("1 2");
  run = Kit(dir, {"verify", dir.File("reduced.mps"), dir.path()});
  EXPECT_EQ(run.status, kit::kOutside);
  EXPECT_NE(run.out.find("column \"x\": cost 1 in the log, -1 in the model (maximised, so negated)"),
            std::string::npos)
      << run.out;
}

TEST(KitVerify, ForeignNamesAndUnreadableModels) {
  TempDir dir;
  dir.Write("other.mps", kTiny);
  RunResult run = Kit(dir, {"verify", dir.File("other.mps"), Lp("brandy")});
  EXPECT_EQ(run.status, kit::kOutside);
  EXPECT_EQ(run.err, "postsolve-kit: " + dir.File("other.mps") + ": row \"r1\" is not in the log\n");
  run = Kit(dir, {"verify", dir.File("missing.mps"), Lp("brandy")});
  EXPECT_EQ(run.status, kit::kFailed);
  EXPECT_EQ(CountLines(run.err), 1);
}

}  // namespace
