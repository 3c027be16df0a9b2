// run: the whole pipeline on one model, every stage through the files a user
// would hand from one program to the next.
#include <sstream>

#include "bridge.h"
#include "presolve.h"
#include "report.h"

namespace postsolve::kit {

namespace {

// The replay and the report, as the postsolve program makes them, in the log's
// directory; returns the report's path and hands back the replay's warnings.
std::string WriteReport(const std::string& dir, std::vector<std::string>& warnings) {
  PostData pd;
  Replay(pd, dir);
  const std::string report = OutRept(pd, dir);
  warnings = pd.warnings.Lines();
  return report;
}

}  // namespace

int RunPipeline(const std::string& modelPath, const std::string& dir, const PresolveOptions& options,
                const Tolerances& tol, std::ostream& out, std::ostream& err) {
  const Model model = ReadModel(modelPath);
  for (const std::string& note : model.notes) err << "postsolve-kit: note: " << modelPath << ": " << note << '\n';
  const PresolveResult presolved = Presolve(model, options);
  WritePresolveDir(model, presolved, dir);
  PrintPresolveSummary(model, presolved, out);

  const Model reduced = ReadModel(dir + "/reduced.mps");
  std::vector<std::string> notes;
  const ClpAnswer answer = SolveWithClp(reduced, 0, notes);
  WriteSolutionFile(dir, answer.sol);
  out << "solve: status " << answer.sol.status << ' ' << StatusWord(answer.sol.status) << ", objective "
      << CaseDouble(answer.objective) << " (reduced LP), " << answer.iterations << " iterations\n";
  if (answer.sol.status != 0)
    throw PostError(modelPath + ": the LP is " + StatusWord(answer.sol.status) + " for Clp; nothing to recover");

  std::vector<std::string> warnings;
  const std::string report = WriteReport(dir, warnings);
  for (const std::string& w : warnings) err << "postsolve-kit: warning: " << w << '\n';
  out << "postsolve: report " << report << '\n';

  LoggedProblem logged;
  const FullSolution full = Solve(LoadDir(dir), &logged);
  std::ostringstream text;
  const int status = Verify(full, logged, model, tol, text);
  out << "verify:\n" << text.str();
  return status;
}

}  // namespace postsolve::kit
