// run: the whole pipeline on one model. The reduced LP goes to Clp from
// memory and the log is replayed once, for the report and for verify; every
// file a user would hand from one program to the next is still written.
#include "postsolve/run.h"

#include "measures.h"
#include "numfmt.h"
#include "state.h"

namespace postsolve {

// The basis file, and the polish when the point missed (polish.cpp).
void FinishRun(const Model& model, const std::string& dir, const Tolerances& tol, bool polish, RunResult& result,
               std::ostream* out);

RunResult Run(const Model& model, const std::string& dir, const PresolveOptions& options, const Tolerances& tol,
              std::ostream* out, bool polish) {
  PresolveResult presolved = Presolve(model, options);
  WritePresolveDir(model, presolved, dir);
  if (out != nullptr) PrintPresolveSummary(model, presolved, *out);

  ClpAnswer answer = SolveWithClp(presolved.reduced, 0);
  WriteSolutionFile(dir, answer.sol);
  if (out != nullptr)
    *out << "solve: status " << answer.sol.status << ' ' << StatusText(answer.sol.status) << ", objective "
         << CaseDouble(answer.objective) << " (reduced LP), " << answer.iterations << " iterations\n";
  if (answer.sol.status != AsInt(Status::Optimal))
    throw PostError(model.path + ": the LP is " + StatusText(answer.sol.status) + " for Clp; nothing to recover");

  LoggedProblem logged;
  Solution solution = ReplaySolution(dir, &logged);
  std::string report = WriteReport(solution, dir);
  if (out != nullptr) *out << "postsolve: report " << report << '\n';

  VerifyResult verified = Verify(solution, logged, model, tol);
  if (out != nullptr) *out << "verify:\n" << verified.text;
  RunResult result{std::move(presolved), std::move(answer), std::move(report), std::move(solution),
                   std::move(verified), {}, {}};
  FinishRun(model, dir, tol, polish, result, out);
  return result;
}

}  // namespace postsolve
