// The pipeline's public headers as a library user calls them: model files,
// presolve options, Clp, check, verify and run, against what the kit's
// commands and the postsolve program give on the same files.
#include <cmath>
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
