// run: the whole pipeline on one model. The reduced LP goes to Clp from
// memory and the log is replayed once, for the report and for verify; every
// file a user would hand from one program to the next is still written, all
// of them into DIR as one result.
#include "postsolve/run.h"

#include <chrono>
#include <filesystem>
#include <optional>

#include "measures.h"
#include "work.h"
#include "numfmt.h"
#include "output.h"
#include "phases.h"
#include "resultdir.h"
#include "state.h"

namespace postsolve {

// The basis file, and the polish when the point missed (polish.cpp): written
// into `stage`, named in messages as the files of `dir` they become; sets
// result.refuted when Clp, started from the point on the model, refutes it.
void FinishRun(const Model& model, const std::string& stage, const std::string& dir, const Tolerances& tol,
               bool polish, RunResult& result, std::ostream* out);

namespace {

// Why a pass of the chain gave no answer that stands: a verdict other than
// an optimum (the presolve's or Clp's on the reduced LP), or an optimum that
// Clp, started from its point on the model, refutes, or whose point and
// polished point both miss a tolerance (`status` then optimal).
struct Miss {
  std::string why;
  int status = 0;
};

}  // namespace

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
  // One pass: presolve, solve, replay, report, verify, basis and polish.
  bool reduced = false;  // the last pass's presolve reduced something (or found a verdict)
  const auto pass = [&](ResultTransaction& txn, const PresolveOptions& presolveOptions) -> std::optional<Miss> {
    phase("presolve");
    PresolveResult presolved;
    try {
      presolved = Presolve(model, presolveOptions);
    } catch (const presolve::PresolveVerdict& verdict) {
      reduced = true;
      return Miss{verdict.what(), AsInt(verdict.verdict())};
    }
    reduced = presolved.reducedAnything();
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
      const std::string why = model.path + ": the LP is " + StatusText(answer.sol.status) + " for Clp";
      // A solve stopped at the time limit is not tried again.
      if (options.timeLimit > 0 && answer.sol.status == AsInt(Status::Difficulty))
        throw PostError(why + " (stopped at a limit; the time limit is " + CaseDouble(options.timeLimit) +
                        " s); nothing to recover");
      return Miss{why + "; nothing to recover", answer.sol.status};
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
                             std::move(verified), {}, {}, {}, {}, false});
    phase("basis and polish");
    FinishRun(model, stage, dir, options.tol, options.polish, *result, out);
    if (!result->verify.difference.empty()) return std::nullopt;
    if (result->refuted)
      return Miss{model.path + ": Clp, started from the postsolved point on the model, finds no optimum",
                  AsInt(Status::Optimal)};
    if (!result->passed())
      return Miss{model.path + ": the postsolved point misses a tolerance, and so does its polished one",
                  AsInt(Status::Optimal)};
    return std::nullopt;
  };
  // Every file goes into the transaction's stage; DIR gets them all at once,
  // and only when every stage has succeeded. A pass with reductions whose
  // answer does not stand is made again without them: the rounding of a
  // reduction can turn a verdict on an LP with extreme numbers, and the
  // model itself is the final word.
  ReplaceResult(dir, [&](ResultTransaction& txn) {
    stage = txn.stage();
    const std::optional<Miss> first = pass(txn, options.presolve);
    if (first) {
      if (!reduced) {
        if (first->status != AsInt(Status::Optimal)) throw PostError(first->why);
      } else {
        if (out != nullptr) *out << "run: " << first->why << "\nrun: the model is solved again without reductions\n";
        result.reset();
        for (const char* name : {"polished.json", "polished.bas"}) std::filesystem::remove(txn.Staged(name));
        PresolveOptions none = options.presolve;
        none.Select("none", "");
        const std::optional<Miss> again = pass(txn, none);
        // The same verdict: the first pass's words, which say where it was found.
        if (again && again->status != AsInt(Status::Optimal))
          throw PostError(again->status == first->status ? first->why : again->why);
        result->solvedAgain = first->why;
      }
    }
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
