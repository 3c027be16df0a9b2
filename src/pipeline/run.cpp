// run: the whole pipeline on one model. The reduced LP goes to Clp from
// memory and the log is replayed once, for the report and for verify; every
// file a user would hand from one program to the next is still written, all
// of them into DIR as one result.
#include "postsolve/run.h"

#include <chrono>
#include <filesystem>
#include <optional>

#include "measures.h"
#include "numfmt.h"
#include "output.h"
#include "phases.h"
#include "resultdir.h"
#include "state.h"

namespace postsolve {

// The basis file, and the polish when the point missed (polish.cpp): written
// into `stage`, named in messages as the files of `dir` they become.
void FinishRun(const Model& model, const std::string& stage, const std::string& dir, const Tolerances& tol,
               bool polish, RunResult& result, std::ostream* out);

RunResult Run(const Model& model, const std::string& dir, const RunOptions& options) {
  RefuseEmptyDirectory(dir);
  std::ostream* out = options.out;
  std::optional<RunResult> result;
  std::string stage;
  PhaseClock clock;
  Progress progress(options.progress, std::chrono::milliseconds(1000));
  const auto phase = [&](const char* name) {
    clock.Begin(name);
    progress.Say(name);
  };
  // Every file goes into the transaction's stage; DIR gets them all at once,
  // and only when every stage has succeeded.
  ReplaceResult(dir, [&](ResultTransaction& txn) {
    stage = txn.stage();
    phase("presolve");
    PresolveResult presolved = Presolve(model, options.presolve);
    phase("log and reduced LP");
    StagePresolveFiles(model, presolved, txn);
    if (out != nullptr) PrintPresolveSummary(model, presolved, *out);

    phase("solve");
    // Clp's own log, at its lowest level (a line every few hundred
    // iterations), is the solve's progress, on the one line at most once a
    // second.
    const ClpLogSink clpLine = [&](const std::string& line) { progress.Say("solve: iteration " + line); };
    ClpAnswer answer = SolveWithClp(presolved.reduced, options.progress ? 1 : 0, options.timeLimit,
                                    options.progress ? clpLine : ClpLogSink());
    if (out != nullptr)
      *out << "solve: status " << answer.sol.status << ' ' << StatusText(answer.sol.status) << ", objective "
           << CaseDouble(answer.objective) << " (reduced LP), " << answer.iterations << " iterations\n";
    if (answer.sol.status != AsInt(Status::Optimal)) {
      std::string why = model.path + ": the LP is " + StatusText(answer.sol.status) + " for Clp";
      if (options.timeLimit > 0 && answer.sol.status == AsInt(Status::Difficulty))
        why += " (stopped at a limit; the time limit is " + CaseDouble(options.timeLimit) + " s)";
      throw PostError(why + "; nothing to recover");
    }
    StageSolutionFile(txn, answer.sol);

    phase("replay");
    LoggedProblem logged;
    Solution solution = ReplaySolution(stage, &logged);
    phase("report");
    const std::string report = dir + "/" + std::filesystem::path(WriteReport(solution, stage)).filename().string();
    if (out != nullptr) *out << "postsolve: report " << report << '\n';

    phase("verify");
    VerifyResult verified = Verify(solution, logged, model, options.tol);
    if (out != nullptr) *out << "verify:\n" << verified.text;
    result.emplace(RunResult{std::move(presolved), std::move(answer), report, std::move(solution),
                             std::move(verified), {}, {}, {}});
    phase("basis and polish");
    FinishRun(model, stage, dir, options.tol, options.polish, *result, out);
    phase("commit");
  });
  clock.End();
  progress.Finish();
  InputsMoved(result->solution, stage, dir);
  result->timings = clock.phases();
  return std::move(*result);
}

RunResult Run(const Model& model, const std::string& dir, const PresolveOptions& options, const Tolerances& tol,
              std::ostream* out, bool polish) {
  RunOptions all;
  all.presolve = options;
  all.tol = tol;
  all.out = out;
  all.polish = polish;
  return Run(model, dir, all);
}

}  // namespace postsolve
