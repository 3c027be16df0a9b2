// The log's first two records, written from the model as read: what the
// reductions write after them comes from the working LP.
#include "logrow.h"
#include "work.h"

namespace postsolve::presolve {

// HEADER: the model's bounds, a row's type from which of its bounds are
// finite, and the names. A bound at or beyond the log's 1e30 is infinite,
// and given as the log writes it, so that the writer need not copy them.
void WriteHeader(LogWriter& log, const Model& model, const std::string& name) {
  std::vector<double> rlo(model.rlo.size()), rup(model.rup.size()), clo(model.clo.size()), cup(model.cup.size());
  std::string rtype(model.rlo.size(), 'R');
  for (std::size_t i = 0; i < rlo.size(); ++i) {
    rlo[i] = LogBound(LowerOrNone(model.rlo[i]));
    rup[i] = LogBound(UpperOrNone(model.rup[i]));
    rtype[i] = LogRowType(RowKindOf(model.rlo[i], model.rup[i]));
  }
  for (std::size_t j = 0; j < clo.size(); ++j) {
    clo[j] = LogBound(LowerOrNone(model.clo[j]));
    cup[j] = LogBound(UpperOrNone(model.cup[j]));
  }
  log.Header(name, rlo, rup, rtype, clo, cup, model.rowNames, model.colNames);
}

// MATRIX: the costs of the minimisation (sense -1 turns a maximisation round).
void WriteMatrix(LogWriter& log, const Model& model, double sense) {
  if (sense == 1) {
    log.Matrix(model.cost, model.start, model.index, model.value);
    return;
  }
  std::vector<double> cost(model.cost.size());
  for (std::size_t j = 0; j < cost.size(); ++j) cost[j] = sense * model.cost[j];
  log.Matrix(cost, model.start, model.index, model.value);
}

}  // namespace postsolve::presolve
