// run: the whole pipeline on one model. The reduced LP goes to Clp from
// memory and the log is replayed once, for the report and for verify; every
// file a user would hand from one program to the next is still written, all
// of them into DIR as one result.
#include "postsolve/run.h"

#include <filesystem>
#include <optional>

#include "measures.h"
#include "numfmt.h"
#include "output.h"
#include "resultdir.h"
#include "state.h"

namespace postsolve {

// The basis file, and the polish when the point missed (polish.cpp): written
// into `stage`, named in messages as the files of `dir` they become.
void FinishRun(const Model& model, const std::string& stage, const std::string& dir, const Tolerances& tol,
               bool polish, RunResult& result, std::ostream* out);

RunResult Run(const Model& model, const std::string& dir, const PresolveOptions& options, const Tolerances& tol,
              std::ostream* out, bool polish) {
  RefuseEmptyDirectory(dir);
  std::optional<RunResult> result;
  std::string stage;
  // Every file goes into the transaction's stage; DIR gets them all at once,
  // and only when every stage has succeeded.
  ReplaceResult(dir, [&](ResultTransaction& txn) {
    stage = txn.stage();
    PresolveResult presolved = Presolve(model, options);
    StagePresolveFiles(model, presolved, txn);
    if (out != nullptr) PrintPresolveSummary(model, presolved, *out);

    ClpAnswer answer = SolveWithClp(presolved.reduced, 0);
    if (out != nullptr)
      *out << "solve: status " << answer.sol.status << ' ' << StatusText(answer.sol.status) << ", objective "
           << CaseDouble(answer.objective) << " (reduced LP), " << answer.iterations << " iterations\n";
    if (answer.sol.status != AsInt(Status::Optimal))
      throw PostError(model.path + ": the LP is " + StatusText(answer.sol.status) + " for Clp; nothing to recover");
    StageSolutionFile(txn, answer.sol);

    LoggedProblem logged;
    Solution solution = ReplaySolution(stage, &logged);
    const std::string report = dir + "/" + std::filesystem::path(WriteReport(solution, stage)).filename().string();
    if (out != nullptr) *out << "postsolve: report " << report << '\n';

    VerifyResult verified = Verify(solution, logged, model, tol);
    if (out != nullptr) *out << "verify:\n" << verified.text;
    result.emplace(RunResult{std::move(presolved), std::move(answer), report, std::move(solution),
                             std::move(verified), {}, {}});
    FinishRun(model, stage, dir, tol, polish, *result, out);
  });
  InputsMoved(result->solution, stage, dir);
  return std::move(*result);
}

}  // namespace postsolve
