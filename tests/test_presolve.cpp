// The presolver, judged by what the replay makes of its log: every sample LP
// through presolve, Clp on the reduced LP and the replay must end optimal for
// the full LP with Clp's own objective; small models written for the kinds
// the samples seldom show; the failures; and the commands end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <sstream>

#include "measures.h"
#include "postsolve/solve.h"
#include "harness.h"
#include "kit.h"
#include "postsolve/model.h"
#include "postsolve/presolve.h"


namespace {

const std::string kSamples = "/usr/share/coin/Data/Sample/";
const std::string kGlpk = "/usr/share/doc/glpk-utils/examples/";

// The LPs among the installed samples (the rest are infeasible, unbounded,
// or not LPs at all).
const std::vector<std::string> kModels = {
    kSamples + "afiro.mps",  kSamples + "atm_5_10_1.mps", kSamples + "brandy.mps",  kSamples + "e226.mps",
    kSamples + "exmip1.mps", kSamples + "finnis.mps",     kSamples + "hello.mps",   kSamples + "lseu.mps",
    kSamples + "nw460.mps",  kSamples + "p0033.mps",      kSamples + "p0201.mps",   kSamples + "p0548.mps",
    kSamples + "pack1.mps",  kSamples + "retail3.mps",    kSamples + "scOneInt.mps", kSamples + "tp3.mps",
    kSamples + "tp4.mps",    kSamples + "tp5.mps",        kSamples + "wedding_16.mps", kGlpk + "samp1.mps",
    kGlpk + "wolfra6d.lp"};

PresolveOptions NoReduction() {
  PresolveOptions options;
  options.enabled.fill(false);
  return options;
}

PresolveOptions Only(Reduction kind) {
  PresolveOptions options;
  options.enabled.fill(false);
  options.set(kind, true);
  return options;
}

// The model's objective as Clp finds it on the whole model.
double DirectObjective(const Model& model) {
  return SolveWithClp(model, 0).objective;
}

struct Chain {
  PresolveResult presolved;
  int status = -1;  // Clp's, on the reduced LP
  CheckResult check;
  double objective = 0;  // of the recovered solution, in the model's sense, with its constant
};

// presolve, Clp on the reduced LP, the replay, the optimality measures.
Chain RunChain(const Model& model, const PresolveOptions& options = {}) {
  Chain chain;
  chain.presolved = Presolve(model, options);
  const ClpAnswer answer = SolveWithClp(chain.presolved.reduced, 0);
  chain.status = answer.sol.status;
  const CaseFiles files{SolutionBytes(answer.sol.status, static_cast<int>(answer.sol.x.size()),
                                      static_cast<int>(answer.sol.y.size()), answer.sol.x, answer.sol.y,
                                      answer.sol.z),
                        chain.presolved.stk, chain.presolved.bin};
  const FullSolution full = CollectSolution(files);
  EXPECT_TRUE(full.warnings.empty()) << model.path << ": " << full.warnings.front();
  chain.check = Check(full, Tolerances{});
  chain.objective = (model.maximise ? -1 : 1) * chain.check.objective + model.objOffset;
  return chain;
}

std::string Measures(const CheckResult& check) {
  std::ostringstream text;
  PrintCheck(check, text);
  return text.str();
}

void ExpectOptimal(const Model& model, const Chain& chain, const std::string& what) {
  ASSERT_EQ(chain.status, 0) << what;
  EXPECT_TRUE(chain.check.pass()) << what << "\n" << Measures(chain.check);
  const double direct = DirectObjective(model);
  EXPECT_LE(std::fabs(chain.objective - direct), 1e-9 * std::max(1.0, std::fabs(direct)))
      << what << ": recovered " << chain.objective << ", Clp on the whole model " << direct;
}

std::string Numbered(const char* stem, int number) {
  std::string name(stem);
  name += std::to_string(number);
  return name;
}

// A model written in LP format for the purpose.
Model LpModel(const TempDir& dir, const std::string& text) {
  dir.Write("model.lp", text);
  return ReadModel(dir.File("model.lp"));
}

}  // namespace

// ---- the samples ----

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

// ---- small models for single kinds ----

TEST(PresolveKinds, EachKindOnModelsWrittenForIt) {
  struct Case {
    Reduction kind;
    long count;
    std::string lp;
  };
  // DBLROW: x is only in e, so y takes the bounds [6, 10] from x in [0, 4];
  // the objectives leave y at either implied bound (the row binding) or
  // between them (not binding), or eliminate x at its own bounds.
  const std::string doubleton = "Subject To\n e: x + y = 10\n f: y + z <= 8\nBounds\n x <= 4\n y <= 20\nEnd\n";
  const std::vector<Case> cases = {
      // x has only an upper bound: x = 3 - x'
      {Reduction::MINBND, 1, "Minimize\n obj: x + 2 y\nSubject To\n r0: x + y >= 1\n r1: x - y <= 2\nBounds\n -inf <= x <= 3\nEnd\n"},
      // y to 7, z to -4 (the model maximises)
      {Reduction::NULCOL, 2, "Maximize\n obj: 3 y - 2 z + w\nSubject To\n r0: w + v >= 1\n"
                  "Bounds\n 0 <= y <= 7\n -4 <= z <= 5\n w <= 10\n v free\nEnd\n"},
      {Reduction::DUPROW, 1, "Minimize\n obj: - x - y\nSubject To\n e: x + 2 y = 4\n s: 2 x + 4 y <= 10\n t: x - y <= 1\n"
                  "Bounds\n x <= 10\n y <= 10\nEnd\n"},
      {Reduction::DBLROW, 1, "Minimize\n obj: y + z\n" + doubleton},
      {Reduction::DBLROW, 1, "Maximize\n obj: y\n" + doubleton},
      {Reduction::DBLROW, 1, "Maximize\n obj: y + z\n" + doubleton},
      {Reduction::DBLROW, 1, "Minimize\n obj: 2 x + y\n" + doubleton},
      {Reduction::DBLROW, 1, "Minimize\n obj: - x - y\n" + doubleton},
      // forced at the upper side, at the lower side, and an equality at its least activity
      {Reduction::FORROW, 1, "Minimize\n obj: - x + y + z\nSubject To\n f: x + y - z <= 0\n g: x + y + z >= -5\n"
                  "Bounds\n x <= 3\n z <= 0\nEnd\n"},
      {Reduction::FORROW, 1, "Minimize\n obj: x - y\nSubject To\n f: x + y >= 2\n g: x - y <= 3\nBounds\n x <= 1\n y <= 1\nEnd\n"},
      {Reduction::FORROW, 1, "Minimize\n obj: x + y\nSubject To\n f: 2 x - y = 6\n g: x + y <= 4\nBounds\n x <= 3\n y <= 5\nEnd\n"},
      // w is free and only in e; v is only in d, whose other columns keep it in [0, 9]
      {Reduction::DOMROW, 2, "Minimize\n obj: x + 2 y + w - v\nSubject To\n e: x + y + 2 w = 4\n d: v + x + y = 9\n"
                  " g: x + y >= 1\nBounds\n w free\n x <= 4\n y <= 5\nEnd\n"},
      // y = 2x, z = -x, u = -2x
      {Reduction::DUPCOL, 3, "Minimize\n obj: x + 2 y - z - 2 u\nSubject To\n r: x + 2 y - z - 2 u >= 2\n"
                  " s: 3 x + 6 y - 3 z - 6 u <= 12\nBounds\n x <= 1\n y <= 2\n z <= 3\nEnd\n"}};
  TempDir dir;
  for (const Case& c : cases) {
    const Model model = LpModel(dir, c.lp);
    const Chain chain = RunChain(model, Only(c.kind));
    EXPECT_EQ(chain.presolved.count(c.kind), c.count) << c.lp;
    ExpectOptimal(model, chain, c.lp);
  }
}

TEST(PresolveKinds, ALongColumnInManyDoubletonRowsIsNotWrittenAgainForEach) {
  // k is in 2000 rows x_i + k = 1 with x_i free: each row eliminates x_i and
  // leaves k's bounds alone, so the replay never reads k's list.
  constexpr int kRows = 2000;
  Model model;
  model.path = "doubletons";
  for (int i = 0; i < kRows; ++i) {
    model.rowNames.push_back(Numbered("r", i));
    model.rlo.push_back(1);
    model.rup.push_back(1);
    model.colNames.push_back(Numbered("x", i));
    model.clo.push_back(-INFINITY);
    model.cup.push_back(INFINITY);
    model.cost.push_back(0);
    model.index.push_back(i);
    model.value.push_back(1);
    model.start.push_back(i + 1);
  }
  model.colNames.push_back("k");
  model.clo.push_back(0);
  model.cup.push_back(10);
  model.cost.push_back(1);
  for (int i = 0; i < kRows; ++i) {
    model.index.push_back(i);
    model.value.push_back(1);
  }
  model.start.push_back(2 * kRows);
  const Chain chain = RunChain(model, Only(Reduction::DBLROW));
  EXPECT_EQ(chain.presolved.count(Reduction::DBLROW), kRows);
  EXPECT_TRUE(chain.check.pass()) << Measures(chain.check);
  // the log grows with the entries, not with their square
  EXPECT_LT(chain.presolved.bin.size(), 200u * kRows);
}

// Small random LPs, feasible by construction, with parallel rows and columns
// planted: wherever Clp finds the whole LP optimal, the chain must too.
TEST(PresolveKinds, RandomSmallLpsKeepTheirOptimum) {
  std::uint64_t state = 12345;
  const auto next = [&](int below) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(below));
  };
  int optimal = 0;
  for (int trial = 0; trial < 400; ++trial) {
    Model model;
    model.path = Numbered("random ", trial);
    const int m = 2 + next(5), n = 2 + next(6);
    std::vector<double> point(n), activity(m, 0.0);
    for (int j = 0; j < n; ++j) {
      model.colNames.push_back(Numbered("c", j));
      const double lo = next(4) - 2.0, width = next(3);
      const int kind = next(6);  // bounded, lower only, upper only, free, fixed, bounded
      model.clo.push_back(kind == 2 || kind == 3 ? -INFINITY : lo);
      model.cup.push_back(kind == 1 || kind == 3 ? INFINITY : kind == 4 ? lo : lo + width);
      point[j] = kind == 2 ? lo + width : lo;
      model.cost.push_back(next(7) - 3.0);
      const bool twin = j > 0 && next(5) == 0;  // twice the column before, cost too
      for (int i = 0; i < m; ++i) {
        const double a = twin ? 2 * [&] {
          for (int e = model.start[j - 1]; e < model.start[j]; ++e)
            if (model.index[e] == i) return model.value[e];
          return 0.0;
        }() : (next(5) < 2 ? next(7) - 3.0 : 0.0);
        if (a == 0) continue;
        model.index.push_back(i);
        model.value.push_back(a);
        activity[i] += a * point[j];
      }
      if (twin) model.cost[j] = 2 * model.cost[j - 1];
      model.start.push_back(static_cast<int>(model.index.size()));
    }
    for (int i = 0; i < m; ++i) {
      model.rowNames.push_back(Numbered("r", i));
      const int kind = next(4);  // E, L, G, range
      model.rlo.push_back(kind == 1 ? -INFINITY : activity[i] - (kind == 0 ? 0 : next(3)));
      model.rup.push_back(kind == 2 ? INFINITY : activity[i] + (kind == 0 ? 0 : next(3)));
    }
    if (SolveWithClp(model, 0).sol.status != 0) continue;  // unbounded
    ++optimal;
    const Chain chain = RunChain(model);
    ExpectOptimal(model, chain, model.path);
  }
  EXPECT_GT(optimal, 200);
}

// What Clp's dual simplex called infeasible after a duplicate column merged
// (found by the random LPs above, with more trials): the solve confirms with
// the primal simplex, which finds the optimum.
TEST(PresolveKinds, AReducedLpTheDualSimplexCallsInfeasibleIsSolved) {
  TempDir dir;
  dir.Write("reduced.mps",
            "NAME unnamed FREE\nROWS\n N  obj\n E  r0\n G  r1\n L  r2\n L  r3\n L  r4\nCOLUMNS\n"
            "    c0 obj -3\n    c0 r3 1\n    c1 obj -3\n    c1 r4 -2\n    c2 obj 3\n"
            "    c2 r2 -1\n    c2 r3 -1\n    c2 r4 2\n    c3 obj -1\n    c3 r1 -1\n    c3 r3 2\n"
            "    c3 r4 -2\n    c4 obj 2\n    c4 r3 3\n    c4 r4 -1\nRHS\n    rhs r2 2\n"
            "    rhs r3 2\nRANGES\n    rng r2 1\nBOUNDS\n FR bnd c0\n UP bnd c1 0\n"
            " LO bnd c1 -1\n FR bnd c2\n UP bnd c3 1\n LO bnd c4 -1\nENDATA\n");
  const ClpAnswer answer = SolveWithClp(ReadModel(dir.File("reduced.mps")), 0);
  EXPECT_EQ(answer.sol.status, 0);
  EXPECT_EQ(answer.objective, -17);
}

// ---- failures ----

TEST(PresolveFailures, NameTheRowOrColumnThatShowsIt) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Minimize\n obj: x\nSubject To\n r: 0 x >= 1\nEnd\n", "row r"},
      {"Minimize\n obj: x\nSubject To\n e: x + 2 y = 4\n s: 2 x + 4 y >= 9\nEnd\n", "row s"},
      {"Minimize\n obj: x\nSubject To\n r: x + y >= 1\nBounds\n 2 <= y <= 1\nEnd\n", "column y"},
      {"Minimize\n obj: x - y\nSubject To\n r: x >= 1\nBounds\n y >= 0\nEnd\n", "unbounded: column y"},
      {"Minimize\n obj: x\nSubject To\n r: x + y <= 1\n s: x - y >= 5\nBounds\n x <= 1\n y <= 1\nEnd\n", "row s"}};
  std::vector<std::pair<Model, std::string>> models;
  for (const auto& [text, name] : cases) models.emplace_back(LpModel(dir, text), name);
  models.emplace_back(LpModel(dir, "Minimize\n obj: x\nSubject To\n r: x + y >= 1\nEnd\n"), "column y");
  models.back().first.value.back() = NAN;  // what no reader should let through
  for (const auto& [model, name] : models) {
    try {
      Presolve(model, {});
      ADD_FAILURE() << name;
    } catch (const PostError& e) {
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
}

// ---- the log and the commands ----

TEST(PresolveLog, OnlyNoneLogsTheModelUnreduced) {
  const Model model = ReadModel(kSamples + "afiro.mps");
  const PresolveResult result = Presolve(model, NoReduction());  // no reduction kind
  LoggedProblem logged;
  const CaseFiles files{SolutionBytes(0, model.cols(), model.rows(), std::vector<double>(model.cols()),
                                      std::vector<double>(model.rows()), std::vector<double>(model.cols())),
                        result.stk, result.bin};
  CollectSolution(files, &logged);
  EXPECT_EQ(logged.cost, model.cost);
  EXPECT_EQ(logged.clo, model.clo);
  std::ostringstream summary;
  kit::Summary(files, summary);
  EXPECT_NE(summary.str().find(", 4 records"), std::string::npos) << summary.str();
  EXPECT_EQ(result.reduced.value, model.value);
  EXPECT_EQ(result.reduced.rowNames, model.rowNames);
}

TEST(PresolveLog, EveryRecordReadsBackAndPacksToTheSameBytes) {
  for (const std::string& path : kModels) {
    const PresolveResult result = Presolve(ReadModel(path), {});
    const CaseFiles files{SolutionBytes(0, 0, 0, {}, {}, {}), result.stk,
                          result.bin};
    std::ostringstream text;
    kit::Dump(files, text);  // throws at a record that does not read as its kind
    const CaseFiles packed = ParseCase(text.str());
    EXPECT_EQ(packed.bin, result.bin) << path;
    EXPECT_EQ(packed.stk, result.stk) << path;
    // In file order: HEADER, MATRIX, the reductions as counted, then the maps
    // (which the replay takes first).
    std::vector<std::string> kinds;
    std::istringstream lines(text.str());
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("# record ", 0) == 0) kinds.push_back(line.substr(line.rfind(": ") + 2));
    ASSERT_GE(kinds.size(), 4u) << path;
    EXPECT_EQ(kinds[0], "HEADER");
    EXPECT_EQ(kinds[1], "MATRIX");
    EXPECT_EQ(kinds[kinds.size() - 2], "COLMAP");
    EXPECT_EQ(kinds.back(), "ROWMAP");
    for (Reduction k : kReductionKinds)
      EXPECT_EQ(std::count(kinds.begin(), kinds.end(), ReductionName(k)), result.count(k)) << path;
  }
}

TEST(PresolveCommand, OnlyNoneAndSkipThroughTheCommand) {
  TempDir scratch;
  const RunResult none =
      RunProgram(KIT_EXE, scratch, {"presolve", kSamples + "p0201.mps", scratch.File("none"), "--only", "none"});
  ASSERT_EQ(none.status, 0) << none.err;
  const Model model = ReadModel(kSamples + "p0201.mps");
  const Model reduced = ReadModel(scratch.File("none/reduced.mps"));
  EXPECT_EQ(reduced.colNames, model.colNames);
  EXPECT_EQ(reduced.rowNames, model.rowNames);
  EXPECT_EQ(reduced.index, model.index);
  EXPECT_EQ(reduced.value, model.value);
  EXPECT_EQ(reduced.rup, model.rup);
  EXPECT_NE(none.out.find("after:  133 rows, 201 columns"), std::string::npos) << none.out;
  const RunResult skip =
      RunProgram(KIT_EXE, scratch, {"presolve", kSamples + "p0201.mps", scratch.File("skip"), "--skip", "DUPCOL"});
  ASSERT_EQ(skip.status, 0) << skip.err;
  EXPECT_NE(skip.out.find("DUPCOL 0\n"), std::string::npos) << skip.out;
  const RunResult all = RunProgram(KIT_EXE, scratch, {"presolve", kSamples + "p0201.mps", scratch.File("all")});
  EXPECT_NE(all.out.find("DUPCOL 18\n"), std::string::npos) << all.out;
}

TEST(PresolveCommand, RunOnEverySampleAndThePostsolveProgramGivesTheSameReport) {
  TempDir scratch;
  for (std::size_t q = 0; q < kModels.size(); ++q) {
    const std::string dir = scratch.File("run" + std::to_string(q));
    const RunResult run = RunProgram(KIT_EXE, scratch, {"run", kModels[q], dir});
    ASSERT_EQ(run.status, 0) << kModels[q] << "\n" << run.out << run.err;
    EXPECT_NE(run.out.find("all measures within their tolerances"), std::string::npos) << run.out;
    const std::string report = run.out.substr(run.out.find("postsolve: report ") + 18);
    const std::string reportPath = report.substr(0, report.find('\n'));
    const std::string written = ReadFile(reportPath);
    std::filesystem::remove(reportPath);
    ASSERT_EQ(RunPostsolve(dir).status, 0) << kModels[q];
    EXPECT_EQ(ReadFile(reportPath), written) << kModels[q];
  }
}

TEST(PresolveCommand, WhatTheLogCannotCarryIsKeptBeside) {
  TempDir scratch;
  scratch.Write("long.mps", "NAME          A_NAME_LONGER_THAN_THE_LOG_KEEPS\nOBJSENSE\n    MAX\nROWS\n N  obj\n"
                            " L  r\n L  s\nCOLUMNS\n    x  obj  1  r  1\n    x  s  3\n    y  obj  1  r  2\n"
                            "    y  s  1\nRHS\n    rhs  obj  -5  r  4\n    rhs  s  6\nENDATA\n");
  const RunResult run = RunProgram(KIT_EXE, scratch, {"run", scratch.File("long.mps"), scratch.File("out")});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("a maximisation"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("objective, maximised, constant 5: 7.8"), std::string::npos) << run.out;
  EXPECT_TRUE(scratch.Exists("out/A_NAME_LONGER_THAN_.rpt"));
  const std::string problem = ReadFile(scratch.File("out/problem.json"));
  for (const char* kept : {"\"name\": \"A_NAME_LONGER_THAN_THE_LOG_KEEPS\"", "\"log_name\": \"A_NAME_LONGER_THAN_\"",
                           "\"objective_constant\": 5", "\"maximise\": true"})
    EXPECT_NE(problem.find(kept), std::string::npos) << kept << " not in " << problem;
}

TEST(PresolveCommand, AnInfeasibleModelLeavesNoDirectory) {
  TempDir scratch;
  scratch.Write("bad.lp", "Minimize\n obj: x\nSubject To\n r: 0 x >= 1\nEnd\n");
  const RunResult run = RunProgram(KIT_EXE, scratch, {"presolve", scratch.File("bad.lp"), scratch.File("out")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(CountLines(run.err), 1) << run.err;
  EXPECT_FALSE(std::filesystem::exists(scratch.File("out")));
  const RunResult unknown = RunProgram(KIT_EXE, scratch, {"presolve", scratch.File("bad.lp"), "--only", "NOPE"});
  EXPECT_EQ(unknown.status, kit::kUsage);
  EXPECT_NE(unknown.err.find("NOPE"), std::string::npos);
}
