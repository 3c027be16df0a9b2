// The pipeline's public headers as a library user calls them: model files,
// presolve options, Clp, check, verify and run, against what the kit's
// commands and the postsolve program give on the same files.
#include <cmath>
#include <filesystem>
#include <limits>
#include <sstream>

#include "harness.h"
#include "postsolve/check.h"
#include "postsolve/model.h"
#include "postsolve/presolve.h"
#include "postsolve/run.h"
#include "postsolve/solve.h"
#include "view.h"

namespace {

const std::string kSamples = "/usr/share/coin/Data/Sample/";
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Bytes(const postsolve::Values& v) {
  return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(double));
}

// run through the library gives the kit's text, the program's report from
// the one replay, the replayed solution bit for bit, and the model's optimum.
TEST(PipelineRun, GivesTheKitsTextTheProgramsReportAndTheOptimum) {
  const TempDir scratch;
  for (const char* name : {"afiro", "brandy", "finnis"}) {
    const std::string path = kSamples + name + ".mps", dir = scratch.File(name);
    const Model model = ReadModel(path);
    std::ostringstream out;
    const postsolve::RunResult run = postsolve::Run(model, dir, {}, {}, &out);
    // What the kit says on standard error comes from the model and the result.
    std::ostringstream err;
    for (const std::string& note : model.notes) err << "postsolve-kit: note: " << path << ": " << note << '\n';
    for (const std::string& w : run.solution.warnings()) err << "postsolve-kit: warning: " << w << '\n';
    EXPECT_TRUE(run.verify.passed()) << name << "\n" << run.verify.text;
    const std::string report = ReadFile(run.report);

    const ::RunResult kit = RunProgram(KIT_EXE, scratch, {"run", path, dir});
    EXPECT_EQ(kit.status, 0) << kit.err;
    EXPECT_EQ(out.str(), kit.out) << name;  // the kit names the same directory
    EXPECT_EQ(err.str(), kit.err) << name;

    // The report written from the one replay is the program's own.
    const ::RunResult program = RunPostsolve(dir);
    EXPECT_EQ(program.status, 0) << program.err;
    EXPECT_EQ(ReadFile(run.report), report) << name << ": the program's report differs";

    const postsolve::Solution again = Replay(dir);
    EXPECT_EQ(Bytes(run.solution.x()), Bytes(again.x())) << name;
    EXPECT_EQ(Bytes(run.solution.y()), Bytes(again.y())) << name;
    EXPECT_EQ(Bytes(run.solution.z()), Bytes(again.z())) << name;

    // The optimum Clp finds on the whole model, with its constant.
    const ClpAnswer direct = SolveWithClp(model);
    EXPECT_NEAR(run.verify.objective, direct.objective, 1e-9 * std::max(1.0, std::fabs(direct.objective))) << name;
    EXPECT_EQ(run.presolve.logName, model.name.substr(0, 19));
    EXPECT_EQ(run.solve.sol.status, AsInt(Status::Optimal));
  }
}

TEST(PipelineRun, AnLpClpCannotSolveFailsNamingTheModel) {
  const TempDir scratch;
  const std::string path = kSamples + "galenetbnds.mps";
  try {
    postsolve::Run(ReadModel(path), scratch.File("out"));
    ADD_FAILURE() << "no error";
  } catch (const postsolve::Error& e) {
    EXPECT_EQ(std::string(e.what()), path + ": the LP is infeasible for Clp; nothing to recover; " +
                                         scratch.File("out") + " keeps its earlier result");
  }
}

// Two LPs of the differential test with extreme numbers. On the first, the
// postsolved point misses a tolerance, and Clp started from it on the model
// finds the model infeasible: run solves the model again without reductions,
// which is infeasible, as Clp finds the model. On the second, the postsolved
// point passes, but a bound 5e-10 wide beside a coefficient of 1.5e7 leaves
// it 3e-4 from the optimum: Clp, started from it, improves on it, and run
// writes that point.
TEST(PipelineRun, AnAnswerThatDoesNotStandIsMadeAgainOrPolished) {
  const TempDir scratch;
  scratch.Write("again.mps",
    "NAME D14415 FREE\n"
    "ROWS\n"
    " N obj\n"
    " L r0\n"
    " L r1\n"
    " E r2\n"
    " G r3\n"
    " L r4\n"
    " E r5\n"
    "COLUMNS\n"
    "  c0 obj -3\n"
    "  c0 r1 -5.429139473988717e-07\n"
    "  c0 r3 -3.0212031301954675e-07\n"
    "  c0 r4 1.3161946669892557\n"
    "  c1 r0 -2\n"
    "  c1 r3 -2\n"
    "  c1 r4 -0.0013157922349415867\n"
    "  c1 r5 3\n"
    "  c2 obj 2\n"
    "  c2 r1 0.057868947726853755\n"
    "  c2 r3 434.2418271590972\n"
    "  c2 r4 -22855.843763107016\n"
    "  c3 r5 -32905.43896626536\n"
    "RHS\n"
    "  rhs r0 -6\n"
    "  rhs r1 1700803.3305631438\n"
    "  rhs r3 946020.3350636143\n"
    "  rhs r4 -4123279048878.1216\n"
    "  rhs r5 32914.43894323156\n"
    "RANGES\n"
    "  rng r0 2\n"
    "BOUNDS\n"
    " LO bnd c0 -3132727380795.276\n"
    " UP bnd c1 3\n"
    " LO bnd c1 -1e+30\n"
    " FR bnd c2\n"
    " FX bnd c3 -1\n"
    "ENDATA\n"
    "measure                            value (scaled)           tolerance  misses  unscaled                 worst\n"
    "row primal feasibility             2.5593116233698274e-06   1e-07      1       1.5355869740218964e-05   row 1 \"r0\"\n"
    "column primal feasibility          0                        1e-07      0       0                        -\n"
    "row dual feasibility               0                        1e-07      0       0                        -\n"
    "column dual feasibility            0                        1e-07      0       0                        -\n"
    "row complementarity                0                        1e-07      0       0                        -\n"
    "column complementarity             0                        1e-07      0       0                        -\n"
    "non-finite values                  0                        0          0       0                        -\n"
    "objective c.x                      9398179991599.562\n"
    "1 measure outside tolerance\n"
    "objective, minimised, constant 0: 9398179991599.562\n"
    "the log's problem is the model's\n"
    "\n");
  const Model again = ReadModel(scratch.File("again.mps"));
  std::ostringstream out;
  try {
    postsolve::Run(again, scratch.File("again"), {}, {}, &out);
    ADD_FAILURE() << "no error";
  } catch (const postsolve::Error& e) {
    EXPECT_EQ(std::string(e.what()), again.path + ": the LP is infeasible for Clp; nothing to recover; " +
                                         scratch.File("again") + " keeps its earlier result");
  }
  EXPECT_NE(out.str().find("run: " + again.path +
                           ": Clp, started from the postsolved point on the model, finds no optimum\n"
                           "run: the model is solved again without reductions\n"),
            std::string::npos)
      << out.str();
  EXPECT_EQ(SolveWithClp(again).sol.status, AsInt(Status::Infeasible));

  scratch.Write("better.mps",
    "NAME D98169 FREE\n"
    "ROWS\n"
    " N obj\n"
    " E r0\n"
    " L r1\n"
    " L r2\n"
    " E r3\n"
    "COLUMNS\n"
    "  c0 obj -2\n"
    "  c0 r0 -3\n"
    "  c0 r1 -5.616108644109342\n"
    "  c0 r2 0.14274953964819034\n"
    "  c0 r3 1\n"
    "  c1 obj -0.49629030211061653\n"
    "  c1 r0 3\n"
    "  c1 r2 -200875.36770172458\n"
    "  c1 r3 2\n"
    "  c2 obj 15498.953299683464\n"
    "  c2 r2 0.1948516709506836\n"
    "  c3 obj 154898.99473720067\n"
    "  c3 r0 -1\n"
    "  c4 obj 43.667444462851066\n"
    "  c4 r0 -0.5609570619025431\n"
    "  c4 r2 -3.7223077219501193e-06\n"
    "  c4 r3 -509.7996804928042\n"
    "  c5 obj -3\n"
    "  c5 r0 73.74742488343716\n"
    "  c5 r1 219516.83463935385\n"
    "  c5 r2 -3e+06\n"
    "  c5 r3 14813847.645836797\n"
    "RHS\n"
    "  rhs r0 5\n"
    "  rhs r1 -219509.21853070974\n"
    "  rhs r2 3000001.4675471187\n"
    "  rhs r3 -14813848.645836797\n"
    "RANGES\n"
    "BOUNDS\n"
    " UP bnd c0 -1\n"
    " LO bnd c0 -2\n"
    " UP bnd c1 0\n"
    " LO bnd c1 -2\n"
    " FX bnd c2 -2\n"
    " MI bnd c3\n"
    " UP bnd c3 1\n"
    " UP bnd c4 5e-10\n"
    " UP bnd c5 -0.9999999995\n"
    " LO bnd c5 -1\n"
    "ENDATA\n");
  const Model better = ReadModel(scratch.File("better.mps"));
  std::ostringstream said;
  const postsolve::RunResult run = postsolve::Run(better, scratch.File("better"), {}, {}, &said);
  EXPECT_TRUE(run.verify.passed()) << run.verify.text;
  ASSERT_TRUE(run.polished.has_value());
  EXPECT_TRUE(run.passed());
  EXPECT_TRUE(run.solvedAgain.empty());
  EXPECT_LT(run.polished->objective, run.verify.objective - 1000);
  const double direct = SolveWithClp(better).objective;
  EXPECT_NEAR(run.polished->objective, direct, 1e-9 * std::fabs(direct));
  EXPECT_NE(said.str().find("polish: the postsolved point is not optimal"), std::string::npos) << said.str();
  EXPECT_TRUE(std::filesystem::exists(scratch.File("better/polished.json")));
}

// The step by step calls leave the files the commands leave.
TEST(PipelineSteps, PresolveSolveCheckAndVerifyAsTheCommandsDo) {
  const TempDir scratch;
  const std::string path = kSamples + "e226.mps", lib = scratch.File("lib"), kit = scratch.File("kit");
  const Model model = ReadModel(path);
  PresolveOptions options;
  options.Select("", "DUPCOL,FORROW");
  const PresolveResult presolved = Presolve(model, options);
  WritePresolveDir(model, presolved, lib);
  EXPECT_EQ(presolved.count(Reduction::DUPCOL), 0);
  const ::RunResult command =
      RunProgram(KIT_EXE, scratch, {"presolve", path, kit, "--skip", "DUPCOL,FORROW"});
  ASSERT_EQ(command.status, 0) << command.err;
  std::ostringstream summary;
  PrintPresolveSummary(model, presolved, summary);
  EXPECT_EQ(summary.str(), command.out);
  for (const char* file : {"dravfile.bin", "dravfile.stk", "reduced.mps"})
    EXPECT_EQ(ReadFile(lib + "/" + file), ReadFile(kit + "/" + file)) << file;
  // A result written by a caller done with it lets go of the log's bytes,
  // the same files written.
  PresolveResult consumed = presolved;
  WritePresolveDir(model, std::move(consumed), scratch.File("consumed"));
  EXPECT_TRUE(consumed.bin.empty());  // NOLINT(bugprone-use-after-move): what the call leaves
  EXPECT_EQ(consumed.reduced.cols(), presolved.reduced.cols());
  for (const char* file : {"dravfile.bin", "dravfile.stk", "reduced.mps", "problem.json"})
    EXPECT_EQ(ReadFile(lib + "/" + file), ReadFile(scratch.File("consumed") + "/" + file)) << file;

  const ClpAnswer answer = Solve(lib);
  ASSERT_EQ(RunProgram(KIT_EXE, scratch, {"solve", kit}).status, 0);
  EXPECT_EQ(ReadFile(lib + "/dravfile.sol"), ReadFile(kit + "/dravfile.sol"));
  EXPECT_EQ(answer.sol.status, AsInt(Status::Optimal));

  const CheckResult checked = Check(lib);
  std::ostringstream table;
  PrintCheck(checked, table);
  const ::RunResult check = RunProgram(KIT_EXE, scratch, {"check", kit});
  EXPECT_EQ(table.str(), check.out);
  EXPECT_EQ(checked.pass(), check.status == 0);

  const VerifyResult fromModel = Verify(model, lib), fromPath = Verify(path, lib);
  const ::RunResult verify = RunProgram(KIT_EXE, scratch, {"verify", path, kit});
  EXPECT_EQ(fromModel.text, verify.out);
  EXPECT_EQ(fromPath.text, verify.out);
  EXPECT_TRUE(fromModel.passed() && fromModel.difference.empty());
  // e226's objective row has a constant: the model's own objective adds it.
  EXPECT_NEAR(fromModel.objective, -11.638929067, 1e-8);
}

TEST(PipelineSteps, FailuresAreTheLibrarysErrorWithTheCommandsMessage) {
  const TempDir scratch;
  auto message = [](const auto& call) {
    try {
      call();
    } catch (const postsolve::Error& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { Solve(scratch.File("none")); }).rfind(scratch.File("none") + "/reduced.mps", 0), 0u);
  EXPECT_NE(message([] { PresolveOptions().Select("NULROW,BOGUS", ""); }).find("unknown reduction kind 'BOGUS'"),
            std::string::npos);
  // A model whose names are not the log's: NameMismatch, a postsolve::Error.
  const Model model = ReadModel(kSamples + "afiro.mps");
  WritePresolveDir(model, Presolve(model), scratch.path());
  Solve(scratch.path());
  Model renamed = model;
  renamed.rowNames[0] = "elsewhere";
  try {
    Verify(renamed, scratch.path());
    ADD_FAILURE() << "no error";
  } catch (const NameMismatch& e) {
    EXPECT_NE(std::string(e.what()).find("\"elsewhere\" is not in the log"), std::string::npos) << e.what();
  }
}

TEST(PipelineOptions, SelectTakesOnlyThenSkip) {
  PresolveOptions options;
  options.Select("none", "");
  for (Reduction k : kReductionKinds) EXPECT_FALSE(options.on(k)) << ReductionName(k);
  options.Select("NULROW,DUPCOL", "DUPCOL");
  for (Reduction k : kReductionKinds) EXPECT_EQ(options.on(k), k == Reduction::NULROW) << ReductionName(k);
  options = PresolveOptions();
  options.Select("", "MINBND");
  for (Reduction k : kReductionKinds) EXPECT_EQ(options.on(k), k != Reduction::MINBND) << ReductionName(k);
  EXPECT_EQ(ParseKinds("all").size(), kReductionKinds.size());
  for (Reduction k : kReductionKinds) EXPECT_EQ(ParseKinds(ReductionName(k)), std::vector<Reduction>{k});
}

// One rule from bounds to a row's kind, wherever a row is written.
TEST(PipelineModel, OneRowKindRuleForTheLogAndTheModelFile) {
  EXPECT_EQ(RowKindOf(-kInf, kInf), RowKind::Free);
  EXPECT_EQ(RowKindOf(-1e30, 1e30), RowKind::Free);
  EXPECT_EQ(RowKindOf(-kInf, 3), RowKind::Upper);
  EXPECT_EQ(RowKindOf(2, 1e31), RowKind::Lower);
  EXPECT_EQ(RowKindOf(2, 2), RowKind::Equal);
  EXPECT_EQ(RowKindOf(2, 3), RowKind::Range);

  // A model with one row of each kind survives a trip through its MPS text,
  // and the log types each row by the same rule.
  Model model;
  model.path = "kinds";
  model.name = "kinds";
  model.rowNames = {"free", "upper", "lower", "equal", "range"};
  model.rlo = {-kInf, -kInf, 1, 2, -1};
  model.rup = {kInf, 4, kInf, 2, 5};
  model.colNames = {"x"};
  model.clo = {0};
  model.cup = {10};
  model.cost = {1};
  model.start = {0, 5};
  model.index = {0, 1, 2, 3, 4};
  model.value = {1, 1, 1, 1, 1};
  const TempDir scratch;
  WriteMps(model, scratch.File("kinds.mps"));
  const Model back = ReadModel(scratch.File("kinds.mps"));
  EXPECT_EQ(back.rlo, model.rlo);
  EXPECT_EQ(back.rup, model.rup);
  PresolveOptions none;
  none.Select("none", "");
  const PresolveResult logged = Presolve(model, none);
  // HEADER's type bytes follow the name and the four counts and the bounds:
  // read them back through a replay of the unreduced log.
  WritePresolveDir(model, logged, scratch.path());
  Solve(scratch.path());
  const postsolve::Solution sol = Replay(scratch.path());
  EXPECT_EQ(sol.rowTypes(), (std::vector<std::string>{"RG", "LE", "GE", "EQ", "RG"}));
  // A free row is logged with both sides at the log's 1e30; to a caller it
  // has no side, as a column beyond the report's infinity has none.
  EXPECT_EQ(sol.rowLower()[0], -kInf);
  EXPECT_EQ(sol.rowUpper()[0], kInf);
  EXPECT_EQ(sol.rowUpper()[1], 4);
  EXPECT_EQ(sol.rowLower()[2], 1);
}

TEST(PipelineStatus, OneTableTwoSpellingsForUnknownCodes) {
  EXPECT_STREQ(StatusWord(Status::Optimal), "optimal");
  EXPECT_STREQ(StatusWord(AsInt(Status::Unbounded)), "unbounded");
  EXPECT_STREQ(StatusWord(7), "unknown");    // the report's word
  EXPECT_EQ(StatusText(7), "status 7");      // the tools' text
  EXPECT_EQ(StatusText(-1), "unsolved");
}

}  // namespace
