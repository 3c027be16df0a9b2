// A simplex basis for a recovered solution: one status per column and row,
// read off the point (x, the row duals y and the dual slacks z), written and
// read as an MPS basis file, handed to Clp for a warm start, and the polish
// that starts Clp on the original model from the postsolved point.
//
//   postsolve::Solution s = postsolve::Replay("out");
//   postsolve::Basis b = postsolve::BasisOf(s);
//   postsolve::WriteBasisFile(b, s.name(), s.colNames(), s.rowNames(), "out/basis.bas");
//
// Sign conventions are the replay's: a minimisation, y the row duals,
// z = c - A'y the dual slacks.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "postsolve/check.h"
#include "postsolve/model.h"
#include "postsolve/postsolve.h"
#include "postsolve/solve.h"

namespace postsolve {

// A row's status is that of its activity: AtLower is the activity at the
// row's lower side. Free is a nonbasic value off its bounds (a free column at
// zero, or a superbasic one); Fixed is nonbasic with equal bounds.
enum class BasisStatus : std::uint8_t { Basic = 0, AtLower = 1, AtUpper = 2, Free = 3, Fixed = 4 };
// "basic", "at lower", "at upper", "free", "fixed".
const char* BasisStatusWord(BasisStatus status);

struct Basis {
  std::vector<BasisStatus> cols, rows;
  long basics() const;  // columns and rows Basic: a simplex basis has rows() of them
  // The count a simplex basis needs: as many basics as rows.
  bool complete() const { return basics() == static_cast<long>(rows.size()); }
};

// Statuses of a point from bounds, values and duals (each row: its activity
// and y; each column: x and z). A value within active * max(1, |bound|) of a
// bound sits at it; one strictly between its bounds is basic. When fewer
// than rows() are basic, degenerate ones at a bound are made basic: those
// with a zero dual (within 1e-9), columns before row activities, then the
// smallest duals; when more, the values off their
// bounds nearest to a bound become Free (superbasic). Exactly rows() basics
// when the point allows it; whether they are independent only a
// factorisation says (RepairBasis).
Basis BasisOfPoint(const std::vector<double>& rowLower, const std::vector<double>& rowUpper,
                   const std::vector<double>& activity, const std::vector<double>& y,
                   const std::vector<double>& colLower, const std::vector<double>& colUpper,
                   const std::vector<double>& x, const std::vector<double>& z, double active = 1e-7);
// The same over a replayed solution (the log's problem, in its order).
Basis BasisOf(const Solution& solution, double active = 1e-7);
// The same on `model`'s own rows and columns (names matched as verify does,
// activities and dual slacks from its matrix), in the model's order.
Basis BasisOnModel(const Model& model, const Solution& solution, double active = 1e-7);

// The MPS basis file: NAME, then XU/XL lines pairing a basic column with a
// nonbasic row at its upper/lower side, UL/LL lines for the other nonbasic
// columns at upper/lower, ENDATA (docs/formats.md). Names must have no blank.
std::string BasisFileText(const Basis& basis, const std::string& name, const std::vector<std::string>& colNames,
                          const std::vector<std::string>& rowNames);
// Written beside PATH first, then renamed into place.
void WriteBasisFile(const Basis& basis, const std::string& name, const std::vector<std::string>& colNames,
                    const std::vector<std::string>& rowNames, const std::string& path);
// Reads a basis file for a problem with these names; anything it does not
// name keeps the default: rows basic, columns at their lower bound (at upper
// when only that is finite, Free when neither is). Throws Error
// "PATH: line N: reason" on a malformed line or an unknown name.
Basis ReadBasisFile(const std::string& path, const Model& model);

// Clp on `model` from `start` (the values in `x` for Free columns), the
// primal simplex to optimality, then Clp's own unscaled clean-up as
// SolveWithClp does. A start that takes more than (rows + columns) / 10
// iterations (at least 100) or 5 seconds a simplex call is abandoned and Clp
// solves from its own start (a note says so). Returns the answer (minimisation conventions, iterations
// counted) and, in `end`, the basis Clp ends at.
ClpAnswer SolveFromBasis(const Model& model, const Basis& start, const std::vector<double>& x, Basis& end,
                         int logLevel = 0);

// The polished full solution: the postsolved point of DIR taken into Clp on
// the original model and run to an optimal basic solution.
struct Polished {
  VerifyResult before;  // the postsolved point, measured on the model
  VerifyResult after;   // the polished one
  Basis basis;          // where Clp ended
  std::vector<double> x, y, z;  // in the model's order; y and z of its minimisation
  std::vector<double> activity; // Ax, one per row
  double objective = 0;         // in the model's sense, with its constant
  int iterations = 0;
  int status = 0;       // Clp's verdict as a Status code
  bool startComplete = false;  // the point's own basis had as many basics as rows
  std::vector<std::string> notes;  // Clp's: a maximisation turned round, a start abandoned
  bool passed() const { return after.check.pass() && status == AsInt(Status::Optimal); }
};
// Replays DIR (or takes `solution`) and polishes its point on `model`.
Polished Polish(const Model& model, const std::string& dir, const Tolerances& tol = {}, int logLevel = 0);
Polished Polish(const Model& model, const Solution& solution, const Tolerances& tol = {}, int logLevel = 0);
// Whether `polished` passes with an objective better than `objective` (the
// postsolved point's, in the model's sense) by more than 1e-9 of its size:
// the postsolved point, though within the tolerances, was not optimal.
bool PolishedIsBetter(const Polished& polished, double objective, bool maximise);
// Whether Clp, started from the postsolved point on the model, found the
// model infeasible or unbounded: the point, whatever its measures, is no
// optimum of the model.
bool PolishRefutes(const Polished& polished);
// DIR/polished.json (x, y, z, statuses, objective in the model's sense) and
// DIR/polished.bas, each written atomically. Returns the JSON file's path.
std::string WritePolished(const Model& model, const Polished& polished, const std::string& dir);
// The lines postsolve-kit polish prints: iterations, then the measures before and after.
void PrintPolished(const Polished& polished, std::ostream& out);

}  // namespace postsolve
