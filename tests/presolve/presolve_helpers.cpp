#include "presolve_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "kit.h"
#include "postsolve/solve.h"

namespace presolve_test {

const std::string kSamples = "/usr/share/coin/Data/Sample/";
const std::string kGlpk = "/usr/share/doc/glpk-utils/examples/";

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

double DirectObjective(const Model& model) {
  return SolveWithClp(model, 0).objective;
}

Chain RunChain(const Model& model, const PresolveOptions& options) {
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

void ExpectKindKeepsOptimum(Reduction kind, long count, const std::string& lp) {
  const Model model = LpModel(lp);
  const Chain chain = RunChain(model, Only(kind));
  EXPECT_EQ(chain.presolved.count(kind), count) << lp;
  ExpectOptimal(model, chain, lp);
}

std::string Numbered(const char* stem, int number) {
  std::string name(stem);
  name += std::to_string(number);
  return name;
}

Model LpModel(const TempDir& dir, const std::string& text) {
  dir.Write("model.lp", text);
  return ReadModel(dir.File("model.lp"));
}

Model LpModel(const std::string& text) {
  const TempDir dir;
  return LpModel(dir, text);
}

std::vector<std::string> Records(const PresolveResult& result, Reduction kind) {
  const CaseFiles files{SolutionBytes(0, 0, 0, {}, {}, {}), result.stk, result.bin};
  std::ostringstream text;
  kit::Dump(files, text);
  const std::string heading = ": " + ReductionName(kind);
  std::vector<std::string> records;
  std::istringstream lines(text.str());
  bool inside = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("# record ", 0) == 0) {
      inside = line.ends_with(heading);
      if (inside) records.emplace_back();
    } else if (inside && !line.empty()) {
      if (!records.back().empty()) records.back() += '\n';
      records.back() += line;
    }
  }
  return records;
}

}  // namespace presolve_test
