// The whole pipeline on one model: presolve into a directory, solve the
// reduced LP with Clp, replay the log into the full solution and the report
// the postsolve program writes, verify it against the model.
//
//   postsolve::RunResult r = postsolve::Run(postsolve::ReadModel("finnis.mps"), "out/finnis");
//   std::printf("%.13g %s\n", r.verify.objective, r.verify.passed() ? "verified" : "outside tolerance");
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "postsolve/basis.h"
#include "postsolve/check.h"
#include "postsolve/model.h"
#include "postsolve/postsolve.h"
#include "postsolve/presolve.h"
#include "postsolve/solve.h"
#include "postsolve/timing.h"

namespace postsolve {

struct RunResult {
  PresolveResult presolve;
  ClpAnswer solve;          // the reduced LP's answer
  std::string report;       // the report's path
  Solution solution;        // the full solution, replayed once for the report and verify
  VerifyResult verify;
  Basis basis;              // the postsolved point's, written to DIR/basis.bas
  std::optional<Polished> polished;  // when the point missed a tolerance and polishing was asked for
  std::vector<PhaseTiming> timings;  // presolve, log, solve, replay, report, verify, basis, commit
  // Why the pass with reductions gave no answer that stands, when the model
  // was solved again without them (this is that second pass's result); empty
  // otherwise.
  std::string solvedAgain;
  // Clp, started from the postsolved point on the model, found it infeasible
  // or unbounded (PolishRefutes): the point is no optimum, whatever its measures.
  bool refuted = false;
  // The postsolved point verified, or else its polished one passes; and no refutation.
  bool passed() const { return !refuted && (verify.passed() || (polished && polished->passed())); }
};

// DIR gets the presolve files (dravfile.bin, .stk, reduced.mps,
// problem.json), dravfile.sol, the report and basis.bas, the basis the
// postsolved point shows (basis.h). When a measure misses its tolerance (and
// the log's problem is the model's) and `polish` is set, the point is
// polished (Polish) into DIR/polished.json and DIR/polished.bas. The reduced LP goes to Clp as
// it is in memory (reduced.mps is written for other solvers). `out`, when
// given, gets the lines postsolve-kit run prints as each stage ends. All
// files go into DIR as one transaction once every stage has succeeded; a
// failure leaves DIR's earlier result ("...; DIR keeps its earlier result").
// An empty DIR is refused. A pass with reductions that gives no answer that
// stands (the presolve or Clp finds the LP infeasible, unbounded or too
// difficult, Clp started from the postsolved point on the model finds it
// infeasible or unbounded, or the postsolved point and its polished one both
// miss a tolerance) is made again without reductions, and that pass is the result
// (`solvedAgain` says why); a verdict both passes give is thrown in the
// first's words. A postsolved point that passes but that Clp, started from
// it on the model, improves on (PolishedIsBetter) is polished too. The
// model reader's notes are in model.notes, the replay's warnings in
// solution.warnings(): the caller says them as it says things. A stage that
// fails, or a solve that does not end optimal, throws Error.
RunResult Run(const Model& model, const std::string& dir, const PresolveOptions& options = {},
              const Tolerances& tol = {}, std::ostream* out = nullptr, bool polish = true);

// Run with every choice in one place.
struct RunOptions {
  PresolveOptions presolve;
  Tolerances tol;
  bool polish = true;
  std::ostream* out = nullptr;  // the lines postsolve-kit run prints
  double timeLimit = 0;         // seconds Clp may take (0: no limit); a stopped solve fails the run
  bool progress = false;        // one updating line on standard error: the phase, Clp's iterations
};
RunResult Run(const Model& model, const std::string& dir, const RunOptions& options);

}  // namespace postsolve
