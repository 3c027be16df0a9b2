// polish: the postsolved point taken into Clp on the original model, from
// the basis the point shows, and run to an optimal basic solution.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "measures.h"
#include "numfmt.h"
#include "outfile.h"
#include "postsolve/basis.h"
#include "postsolve/run.h"
#include "state.h"

namespace postsolve {

namespace {

// The basis a point of the model shows, from its rows and columns as verify sees them.
Basis BasisOnModel(const FullSolution& on, double active) {
  std::vector<double> rlo, rup, act, y, clo, cup, x, z;
  for (const RowSol& r : on.rows) {
    rlo.push_back(r.lo);
    rup.push_back(r.up);
    act.push_back(r.act);
    y.push_back(r.dual);
  }
  for (const ColSol& c : on.cols) {
    clo.push_back(c.lo);
    cup.push_back(c.up);
    x.push_back(c.x);
    z.push_back(c.z);
  }
  return BasisOfPoint(rlo, rup, act, y, clo, cup, x, z, active);
}

}  // namespace

Basis BasisOnModel(const Model& model, const Solution& solution, double active) {
  const ModelPoint point = PointOnModel(solution, model);
  return BasisOnModel(OnModel(model, point.x, point.y, solution.status()), active);
}

Polished Polish(const Model& model, const Solution& solution, const Tolerances& tol, int logLevel) {
  Polished polished;
  const ModelPoint point = PointOnModel(solution, model);
  const FullSolution before = OnModel(model, point.x, point.y, solution.status());
  polished.before = MeasureOnModel(model, before, tol);
  polished.before.check.warnings = solution.warnings();
  const Basis start = BasisOnModel(before, tol.active);
  polished.startComplete = start.complete();

  const ClpAnswer answer = SolveFromBasis(model, start, point.x, polished.basis, logLevel);
  polished.iterations = answer.iterations;
  polished.notes = answer.notes;
  polished.status = answer.sol.status;
  const FullSolution after = OnModel(model, answer.sol.x, answer.sol.y, answer.sol.status);
  polished.after = MeasureOnModel(model, after, tol);
  polished.objective = polished.after.objective;
  polished.x = answer.sol.x;
  polished.y = answer.sol.y;
  for (const ColSol& c : after.cols) polished.z.push_back(c.z);
  for (const RowSol& r : after.rows) polished.activity.push_back(r.act);
  return polished;
}

Polished Polish(const Model& model, const std::string& dir, const Tolerances& tol, int logLevel) {
  const Solution solution = ReplaySolution(dir, nullptr, true);
  return Polish(model, solution, tol, logLevel);
}

bool PolishedIsBetter(const Polished& polished, double objective, bool maximise) {
  const double gain = maximise ? polished.objective - objective : objective - polished.objective;
  return polished.passed() && gain > 1e-9 * std::max(1.0, std::fabs(objective));
}

bool PolishRefutes(const Polished& polished) {
  return polished.status == AsInt(Status::Infeasible) || polished.status == AsInt(Status::Unbounded);
}

std::string WritePolished(const Model& model, const Polished& polished, const std::string& dir) {
  // Duals of the model as given: a maximisation's are those of the
  // minimisation solved, turned round.
  const double sense = model.maximise ? -1 : 1;
  nlohmann::json rows = nlohmann::json::array(), cols = nlohmann::json::array();
  for (std::size_t i = 0; i < polished.y.size(); ++i)
    rows.push_back({{"name", model.rowNames[i]},
                    {"activity", polished.activity[i]},
                    {"dual", sense * polished.y[i]},
                    {"basis", BasisStatusWord(polished.basis.rows[i])}});
  for (std::size_t j = 0; j < polished.x.size(); ++j)
    cols.push_back({{"name", model.colNames[j]},
                    {"value", polished.x[j]},
                    {"reduced_cost", sense * polished.z[j]},
                    {"basis", BasisStatusWord(polished.basis.cols[j])}});
  const nlohmann::json doc = {
      {"name", model.name},
      {"sense", model.maximise ? "maximise" : "minimise"},
      {"objective", polished.objective},
      {"objective_constant", model.objOffset},
      {"status", polished.status},
      {"status_word", StatusWord(polished.status)},
      {"iterations", polished.iterations},
      {"passed", polished.passed()},
      {"dual_convention", "a row's dual is the change of the objective, in the model's sense, per unit of its "
                          "active side; a column's reduced cost is its cost less the duals times its entries"},
      {"rows", rows},
      {"columns", cols}};
  const std::string json = doc.dump(1) + "\n";
  const std::string path = dir + "/polished.json";
  ReplaceFiles({{path, json},
                {dir + "/polished.bas",
                 BasisFileText(polished.basis, model.name, model.colNames, model.rowNames)}});
  return path;
}

void PrintPolished(const Polished& polished, std::ostream& out) {
  out << "before polish:\n" << polished.before.text;
  out << "polish: Clp from the postsolved point's basis ("
      << (polished.startComplete ? "as many basics as rows" : "basics counted off, repaired by Clp") << "), status "
      << polished.status << " " << StatusText(polished.status) << ", " << polished.iterations << " iterations\n";
  out << "after polish:\n" << polished.after.text;
}

void FinishRun(const Model& model, const std::string& stage, const std::string& dir, const Tolerances& tol,
               bool polish, RunResult& result, std::ostream* out) {
  // The point's own statuses need not be a basis (a point off a vertex, or
  // dependent columns): Clp started from them ends at one, in few pivots,
  // and a start from that file takes none.
  Polished polished = Polish(model, result.solution, tol);
  result.basis = polished.basis;
  const std::string basisPath = dir + "/basis.bas";
  WriteBasisFile(result.basis, model.name, model.colNames, model.rowNames, stage + "/basis.bas");
  if (out != nullptr)
    for (const std::string& note : polished.notes)
      if (note.find("own start instead") != std::string::npos) *out << "basis: " << note << "\n";
  if (out != nullptr)
    *out << "basis: " << basisPath << ", where Clp ends started from the postsolved point's statuses ("
         << (polished.startComplete ? "as many basics as rows" : "basics counted off") << "): status "
         << polished.status << " " << StatusText(polished.status) << ", " << polished.iterations << " iterations\n";
  result.refuted = PolishRefutes(polished);
  const bool better = result.verify.passed() && PolishedIsBetter(polished, result.verify.objective, model.maximise);
  if (!polish || (result.verify.passed() && !better) || !result.verify.difference.empty()) return;
  WritePolished(model, polished, stage);
  const std::string path = dir + "/polished.json";
  if (out != nullptr)
    *out << (better ? "polish: the postsolved point is not optimal: Clp, started from it, improves the objective to " +
                          CaseDouble(polished.objective) + "; the point it ends at:\n"
                    : std::string("polish: the postsolved point missed a tolerance; the point Clp ends at:\n"))
         << polished.after.text << "polished solution: " << path << " and " << dir << "/polished.bas\n";
  result.polished = std::move(polished);
}

}  // namespace postsolve
