// What every stage asks of a model before it starts: consistent arrays,
// names given once, and numbers the presolver and Clp can take.
#include <cmath>
#include <string>

#include "failure.h"
#include "modeltext.h"
#include "numfmt.h"
#include "postsolve/model.h"
#include "records.h"

namespace postsolve {

namespace {

[[noreturn]] void Refuse(const Model& model, const std::string& where, const std::string& why) {
  throw PostError(model.path + ": " + where + ": " + why);
}

std::string Named(const char* kind, const std::vector<std::string>& names, int index) {
  return std::string(kind) + " " + names[static_cast<std::size_t>(index)] + " (index " + std::to_string(index) + ")";
}

void CheckNames(const Model& model, const std::vector<std::string>& names, const char* kind) {
  const int again = modelfile::FirstRepeatedName(names);
  if (again >= 0) Refuse(model, Named(kind, names, again), "the name is given twice");
}

// The bounds of a row or column: at or beyond 1e30 is infinite, as
// everywhere; a finite one must be below Clp's limit. `where` gives the
// name of the row or column, called only on a failure.
template <class Where>
void CheckBounds(const Model& model, const Where& where, double lo, double up) {
  if (std::isnan(lo) || std::isnan(up)) Refuse(model, where(), "a bound is not a number");
  if (lo >= kLogInfinity) Refuse(model, where(), "its lower bound " + CaseDouble(lo) + " is +infinity");
  if (up <= -kLogInfinity) Refuse(model, where(), "its upper bound " + CaseDouble(up) + " is -infinity");
  for (const double bound : {lo, up})
    if (std::fabs(bound) >= kLargestFinite && std::fabs(bound) < kLogInfinity)
      Refuse(model, where(), "its bound " + CaseDouble(bound) + " is finite (below 1e30) but not below " +
                               CaseDouble(kLargestFinite) + ", the largest Clp solves with");
}

}  // namespace

void CheckModel(const Model& model) {
  const int m = model.rows(), n = model.cols();
  if (model.rup.size() != model.rlo.size() || model.rowNames.size() != model.rlo.size())
    Refuse(model, "the rows", "bounds and names of different counts");
  if (model.cup.size() != model.clo.size() || model.cost.size() != model.clo.size() ||
      model.colNames.size() != model.clo.size() || model.start.size() != model.clo.size() + 1)
    Refuse(model, "the columns", "bounds, costs, names and column starts of different counts");
  if (model.start[0] != 0 || model.index.size() != model.value.size() ||
      static_cast<std::size_t>(model.start[static_cast<std::size_t>(n)]) != model.index.size())
    Refuse(model, "the matrix", "column starts that do not span its entries");
  if (!std::isfinite(model.objOffset)) Refuse(model, "the objective", "its constant is not finite");
  CheckNames(model, model.rowNames, "row");
  CheckNames(model, model.colNames, "column");
  for (int i = 0; i < m; ++i)
    CheckBounds(model, [&] { return Named("row", model.rowNames, i); }, model.rlo[static_cast<std::size_t>(i)],
                model.rup[static_cast<std::size_t>(i)]);
  for (int j = 0; j < n; ++j) {
    const auto c = static_cast<std::size_t>(j);
    const auto where = [&] { return Named("column", model.colNames, j); };
    CheckBounds(model, where, model.clo[c], model.cup[c]);
    if (!(std::fabs(model.cost[c]) < kLargestCost))
      Refuse(model, where(), "its cost " + CaseDouble(model.cost[c]) + " is not below " +
                                 CaseDouble(kLargestCost) + " in magnitude, the largest Clp takes");
    if (model.start[c + 1] < model.start[c])
      Refuse(model, where(), "its entries end before they start");
    for (int e = model.start[c]; e < model.start[c + 1]; ++e) {
      const auto k = static_cast<std::size_t>(e);
      if (model.index[k] < 0 || model.index[k] >= m)
        Refuse(model, where(), "an entry in row index " + std::to_string(model.index[k]) + ", outside the " +
                                   std::to_string(m) + " rows");
      if (!(std::fabs(model.value[k]) < kLargestFinite))
        Refuse(model, where() + ", " + Named("row", model.rowNames, model.index[k]),
               "its coefficient " + CaseDouble(model.value[k]) + " is not a finite number below " +
                   CaseDouble(kLargestFinite) + ", the largest Clp solves with");
    }
  }
}

}  // namespace postsolve
