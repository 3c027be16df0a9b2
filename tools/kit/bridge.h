// The solver side of the kit: a reduced model solved with Clp, or another
// solver's answer read from its file, becomes the reduced solution file; and
// the recovered full solution is checked against the model the user has.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "kit.h"
#include "model.h"
#include "postsolve/logwriter.h"

namespace postsolve::kit {

// What dravfile.sol holds, in the log's conventions: minimisation, reduced
// indices, y one dual per row, z = c - A'y one dual slack per column.
using ReducedSolution = postsolve::ReducedSolution;

// Writes DIR/dravfile.sol beside itself and renames it into place, so that an
// existing file is replaced only by a complete one.
void WriteSolutionFile(const std::string& dir, const ReducedSolution& sol);

// Solves the model with Clp's dual simplex in process. A maximising model is
// solved as the minimisation of its negated costs, and its duals are those of
// that minimisation. `notes` gets the lines a user should read (sense turned
// round, not optimal); Clp's own log goes to standard error at `logLevel`
// (0 quiet).
struct ClpAnswer {
  ReducedSolution sol;
  double objective = 0;  // in the model's own sense, with its constant
  int iterations = 0;
};
ClpAnswer SolveWithClp(const Model& model, int logLevel, std::vector<std::string>& notes);

// Another solver's answer. Names are looked up in `model` when it is given
// (its column and row order is the reduced order); otherwise the file's
// columns and rows are taken in order. A file that does not read throws
// PostError naming it and the line.
ReducedSolution ImportHighs(const std::string& path, const std::string& text, const Model* model);
ReducedSolution ImportCsv(const std::string& path, const std::string& text, const Model* model);

// The full solution as a HiGHS-style solution file: model status, objective,
// then column and row values and duals by name, every number in its shortest
// round-trip form.
void ExportHighs(SolutionWalk& walk, std::ostream& out);

// verify: the recovered solution measured against `model` (rows and columns
// matched by name), then the log's own problem compared with it. Prints the
// measures as check does; returns kOk or kOutside. Names that do not match
// throw NameMismatch.
class NameMismatch : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
int Verify(const FullSolution& sol, const LoggedProblem& logged, const Model& model, const Tolerances& tol,
           std::ostream& out);

}  // namespace postsolve::kit
