// verify: the recovered solution measured against the model file itself, so
// that a log whose problem is wrong cannot pass; then the log's problem
// compared with the model, entry by entry.

#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
#include <unordered_map>

#include "logrow.h"
#include "measures.h"
#include "numfmt.h"
#include "records.h"
#include "state.h"

namespace postsolve {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// The log and the model are read by different readers, whose decimal
// conversions may differ in the last bits; closer than this is the same value.
constexpr double kSameValue = 1e-12;

bool Same(double a, double b) {
  if (a == b) return true;
  return std::fabs(a - b) <= kSameValue * std::max(std::fabs(a), std::fabs(b));
}

// Position of each name; a name given twice cannot be matched.
std::unordered_map<std::string, int> IndexOf(const std::vector<std::string>& names, const std::string& file,
                                             const char* kind) {
  std::unordered_map<std::string, int> at;
  for (std::size_t k = 0; k < names.size(); ++k)
    if (!at.emplace(names[k], static_cast<int>(k)).second)
      throw NameMismatch(file + ": " + kind + " name " + CaseString(names[k]) + " appears twice");
  return at;
}

// For each of the model's names, the log's index under the same name.
std::vector<int> MatchNames(const std::vector<std::string>& modelNames, const std::vector<std::string>& logNames,
                            const Model& model, const char* kind) {
  const auto inLog = IndexOf(logNames, "the log", kind);
  IndexOf(modelNames, model.path, kind);
  std::vector<int> logIndex;
  for (const std::string& name : modelNames) {
    const auto found = inLog.find(name);
    if (found == inLog.end())
      throw NameMismatch(model.path + ": " + kind + " " + CaseString(name) + " is not in the log");
    logIndex.push_back(found->second);
  }
  if (modelNames.size() != logNames.size()) {
    const auto inModel = IndexOf(modelNames, model.path, kind);
    for (const std::string& name : logNames)
      if (!inModel.count(name))
        throw NameMismatch(model.path + ": the log's " + std::string(kind) + " " + CaseString(name) +
                           " is not in the model");
  }
  return logIndex;
}

}  // namespace

FullSolution OnModel(const Model& model, const std::vector<double>& x, const std::vector<double>& y, int status) {
  const double sense = model.maximise ? -1 : 1;
  FullSolution on;
  on.name = model.name;
  on.status = status;
  for (int i = 0; i < model.rows(); ++i) {
    const auto r = static_cast<std::size_t>(i);
    const double lo = model.rlo[r], up = model.rup[r];
    on.rows.push_back({model.rowNames[r], ClassifyRow(LogRowType(RowKindOf(lo, up))).type, lo, up, 0.0, y[r]});
  }
  for (int j = 0; j < model.cols(); ++j) {
    const auto c = static_cast<std::size_t>(j);
    const double xj = x[c];
    const double cost = sense * model.cost[c];
    double z = cost, scale = std::fabs(cost);
    for (int k = model.start[c]; k < model.start[c + 1]; ++k) {
      const auto e = static_cast<std::size_t>(k);
      RowSol& row = on.rows[static_cast<std::size_t>(model.index[e])];
      row.act = row.act + model.value[e] * xj;
      row.actSize += std::fabs(model.value[e] * xj);
      ++row.terms;
      z = z - model.value[e] * row.dual;
      scale += std::fabs(model.value[e] * row.dual);
    }
    on.cols.push_back({model.colNames[c], ClassifyColumn(model.clo[c], model.cup[c]).type, model.clo[c], model.cup[c],
                       xj, z, cost, scale, static_cast<std::size_t>(model.start[c + 1] - model.start[c]) + 1});
  }
  return on;
}

ModelPoint PointOnModel(const Solution& sol, const Model& model) {
  ModelPoint point;
  point.rowOf = MatchNames(model.rowNames, sol.rowNames(), model, "row");
  point.colOf = MatchNames(model.colNames, sol.colNames(), model, "column");
  const Values x = sol.x(), y = sol.y();
  for (int l : point.colOf) point.x.push_back(x[static_cast<std::size_t>(l)]);
  for (int l : point.rowOf) point.y.push_back(y[static_cast<std::size_t>(l)]);
  return point;
}

VerifyResult MeasureOnModel(const Model& model, const FullSolution& on, const Tolerances& tol) {
  VerifyResult result;
  result.check = Check(on, tol);
  std::ostringstream out;
  out << "measured against " << model.path << " (" << model.rows() << " rows, " << model.cols()
      << " columns), status " << on.status << " " << StatusText(on.status) << "\n";
  PrintCheck(result.check, out);
  // Check's objective is c.x of the minimisation; the model's own adds the
  // constant, with the sense turned back.
  result.objective = (model.maximise ? -result.check.objective : result.check.objective) + model.objOffset;
  out << "objective, " << (model.maximise ? "maximised" : "minimised") << ", constant " << CaseDouble(model.objOffset)
      << ": " << CaseDouble(result.objective) << "\n";
  result.text = out.str();
  return result;
}

namespace {

std::string Num(double v) { return CaseDouble(v); }

// The first place where the log's problem and the model part, or empty.
std::string FirstDifference(const LoggedProblem& logged, const Model& model, const std::vector<int>& rowOf,
                            const std::vector<int>& colOf) {
  for (int i = 0; i < model.rows(); ++i) {
    const auto r = static_cast<std::size_t>(i);
    const auto l = static_cast<std::size_t>(rowOf[r]);
    const char type = logged.rtype[l];
    const double lo = type == 'L' ? -kInf : UnloggedBound(logged.rlo[l]);
    const double up = type == 'G' ? kInf : UnloggedBound(logged.rup[l]);
    const std::string where = "row " + CaseString(model.rowNames[r]);
    if (type == 'E' && !Same(logged.rlo[l], logged.rup[l]))
      return where + ": an equality in the log with sides " + Num(logged.rlo[l]) + " and " + Num(logged.rup[l]);
    if (!Same(lo, model.rlo[r]) || !Same(up, model.rup[r]))
      return where + ": [" + Num(lo) + ", " + Num(up) + "] (type " + std::string(1, type) + ") in the log, [" +
             Num(model.rlo[r]) + ", " + Num(model.rup[r]) + "] in the model";
  }
  const double sense = model.maximise ? -1 : 1;
  std::vector<double> entry(static_cast<std::size_t>(model.rows()), 0.0);
  std::vector<int> modelRowOf(rowOf.size());  // names match one to one
  for (std::size_t r = 0; r < rowOf.size(); ++r) modelRowOf[static_cast<std::size_t>(rowOf[r])] = static_cast<int>(r);
  for (int j = 0; j < model.cols(); ++j) {
    const auto c = static_cast<std::size_t>(j);
    const auto l = static_cast<std::size_t>(colOf[c]);
    const std::string where = "column " + CaseString(model.colNames[c]);
    const double lo = UnloggedBound(logged.clo[l]), up = UnloggedBound(logged.cup[l]);
    if (!Same(lo, model.clo[c]) || !Same(up, model.cup[c]))
      return where + ": bounds [" + Num(lo) + ", " + Num(up) + "] in the log, [" + Num(model.clo[c]) + ", " +
             Num(model.cup[c]) + "] in the model";
    if (!Same(logged.cost[l], sense * model.cost[c]))
      return where + ": cost " + Num(logged.cost[l]) + " in the log, " + Num(sense * model.cost[c]) +
             " in the model" + (model.maximise ? " (maximised, so negated)" : "");
    // The log's column spread over the model's rows (the replay has checked
    // its row indices), then taken off entry by entry.
    std::vector<std::size_t> touched;
    for (const auto& [row, value] : logged.cols[l]) {
      const auto r = static_cast<std::size_t>(modelRowOf[static_cast<std::size_t>(row)]);
      entry[r] = entry[r] + value;
      touched.push_back(r);
    }
    std::string difference;
    for (int k = model.start[c]; k < model.start[c + 1] && difference.empty(); ++k) {
      const auto r = static_cast<std::size_t>(model.index[static_cast<std::size_t>(k)]);
      const double want = model.value[static_cast<std::size_t>(k)];
      if (!Same(entry[r], want))
        difference = where + ", row " + CaseString(model.rowNames[r]) + ": matrix entry " + Num(entry[r]) +
                     " in the log, " + Num(want) + " in the model";
      entry[r] = 0;
    }
    for (std::size_t r : touched) {
      if (difference.empty() && entry[r] != 0)
        difference = where + ", row " + CaseString(model.rowNames[r]) + ": matrix entry " + Num(entry[r]) +
                     " in the log, none in the model";
      entry[r] = 0;
    }
    if (!difference.empty()) return difference;
  }
  return "";
}

}  // namespace

VerifyResult Verify(const Solution& sol, const LoggedProblem& logged, const Model& model, const Tolerances& tol) {
  const ModelPoint point = PointOnModel(sol, model);
  VerifyResult result = MeasureOnModel(model, OnModel(model, point.x, point.y, sol.status()), tol);
  result.check.warnings = sol.warnings();
  result.difference = FirstDifference(logged, model, point.rowOf, point.colOf);
  if (result.difference.empty()) result.text += "the log's problem is the model's\n";
  else result.text += "the log's problem differs from the model: " + result.difference + "\n";
  return result;
}

VerifyResult Verify(const Model& model, const std::string& dir, const Tolerances& tol) {
  LoggedProblem logged;
  const Solution sol = ReplaySolution(dir, &logged, true);
  return Verify(sol, logged, model, tol);
}

VerifyResult Verify(const std::string& modelPath, const std::string& dir, const Tolerances& tol) {
  LoggedProblem logged;
  const Solution sol = ReplaySolution(dir, &logged, true);
  const Model model = ReadModel(modelPath);
  VerifyResult result = Verify(sol, logged, model, tol);
  for (const std::string& note : model.notes) result.notes.push_back(model.path + ": " + note);
  return result;
}

}  // namespace postsolve
