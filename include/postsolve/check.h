// The optimality of a recovered solution, measured: check (the log's own
// problem) and verify (the model file itself, matched by name).
//
//   postsolve::CheckResult c = postsolve::Check("out");
//   postsolve::VerifyResult v = postsolve::Verify(postsolve::ReadModel("afiro.mps"), "out");
//   if (!v.passed()) std::cout << v.text;
//
// Sign conventions are the replay's: a minimisation, y the row duals,
// z = c - A'y the dual slacks.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "postsolve/error.h"
#include "postsolve/model.h"

namespace postsolve {

// Each measure is scaled as LP solvers scale their own tests (docs/kit.md),
// so that a point a solver accepts as optimal passes.
struct Tolerances {
  double primal = 1e-7;  // a bound's violation over max(1, |bound|)
  double dual = 1e-7;    // a wrong-signed dual over max(1, |cost|) (a row's cost is 0)
  double comp = 1e-7;    // the product of a value's scaled distance from a bound and its scaled dual pushing there
  double active = 1e-7;  // a value within active * max(1, |bound|) of a bound sits at it
};

struct Measure {
  std::string label;
  double value = 0;       // the worst scaled violation, 0 when none
  double tol = 0;
  std::string worst;      // "row 4 \"hotel\"", empty when value is 0
  long misses = 0;        // rows or columns outside the tolerance
  double unscaled = 0;    // the worst one's violation before scaling
  bool within() const { return value <= tol; }  // false for NaN
};

struct CheckResult {
  std::vector<Measure> measures;  // the six violation measures, then the non-finite count
  double objective = 0;           // c.x of the log's minimisation
  long nonfinite = 0;
  std::vector<std::string> warnings;  // degenerate data the replay met, every one
  bool pass() const;
};

// Replays DIR's three files (read through the replay's window) and measures
// the full solution.
CheckResult Check(const std::string& dir, const Tolerances& tol = {});
// The table postsolve-kit check prints.
void PrintCheck(const CheckResult& result, std::ostream& out);

// A row or column name of the model that is not in the log, or the other way
// round, or given twice.
class NameMismatch : public Error {
 public:
  using Error::Error;
};

struct VerifyResult {
  CheckResult check;       // the measures on the model's own rows and columns
  double objective = 0;    // in the model's sense, with its constant
  std::string difference;  // the first place where the log's problem and the model part; empty when none
  std::string text;        // what postsolve-kit verify prints
  std::vector<std::string> notes;  // what the model reader changed ("PATH: note"), when it read the model
  bool passed() const { return check.pass() && difference.empty(); }
};

// Replays DIR's files and measures the full solution against `model`: rows
// and columns matched by name, activities and dual slacks from the model's
// own matrix and costs; then compares the log's problem with the model.
// Names that do not match throw NameMismatch.
VerifyResult Verify(const Model& model, const std::string& dir, const Tolerances& tol = {});
// The same with the model read from MODELPATH once the replay has succeeded.
VerifyResult Verify(const std::string& modelPath, const std::string& dir, const Tolerances& tol = {});

}  // namespace postsolve
