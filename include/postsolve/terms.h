// The answer in the model's own terms. The log holds a minimisation without
// the objective's constant; the presolver's problem.json keeps the model's
// sense and constant. A maximisation's objective and duals are those of the
// minimisation of its negated costs, turned round.
//
//   postsolve::ModelTerms t = postsolve::ReadModelTerms("out");
//   double objective = t.Objective(solution.objective());   // as the model states it
//   double dual = t.Dual(solution.y()[0]);                  // d objective / d side, in the model's sense
#pragma once

#include <string>

namespace postsolve {

struct ModelTerms {
  bool maximise = false;
  double constant = 0;  // the objective's constant term
  bool stated = false;  // read from problem.json; otherwise the log's minimisation with no constant
  // The log's minimised c.x in the model's sense, with its constant.
  double Objective(double minimised) const { return (maximise ? -minimised : minimised) + constant; }
  // A row dual or dual slack of the log's minimisation in the model's sense:
  // the change of the model's objective per unit of the row's active side (a
  // column's: its cost less the duals times its entries).
  double Dual(double minimised) const { return maximise ? -minimised : minimised; }
  const char* SenseWord() const { return maximise ? "maximise" : "minimise"; }
};

// DIR/problem.json when it is there (written by postsolve-kit presolve and
// run); a file that does not read throws Error naming it.
ModelTerms ReadModelTerms(const std::string& dir);

}  // namespace postsolve
