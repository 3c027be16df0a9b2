// The log's records: each through the library's log writer, the one pack and
// every presolver write with; here only what the working LP's form asks.

#include "work.h"

namespace postsolve::presolve {

// HEADER: the model's bounds, a row's type from which of its bounds are
// finite, and the names. A bound at or beyond the log's 1e30 is infinite.
void LogWriter::Header(const Model& model, const std::string& name) {
  std::vector<double> rlo(model.rlo.size()), rup(model.rup.size()), clo(model.clo.size()), cup(model.cup.size());
  std::string rtype(model.rlo.size(), 'R');
  for (std::size_t i = 0; i < rlo.size(); ++i) {
    rlo[i] = LowerOrNone(model.rlo[i]);
    rup[i] = UpperOrNone(model.rup[i]);
    switch (RowKindOf(model.rlo[i], model.rup[i])) {
      case RowKind::Equal: rtype[i] = 'E'; break;
      case RowKind::Upper: rtype[i] = 'L'; break;
      case RowKind::Lower: rtype[i] = 'G'; break;
      default: break;  // a range, or a free row with both sides at the log's infinity
    }
  }
  for (std::size_t j = 0; j < clo.size(); ++j) {
    clo[j] = LowerOrNone(model.clo[j]);
    cup[j] = UpperOrNone(model.cup[j]);
  }
  log_.Header(name, rlo, rup, rtype, clo, cup, model.rowNames, model.colNames);
  Count(HEADER);
}

// MATRIX: the costs of the minimisation (sense -1 turns a maximisation round).
void LogWriter::Matrix(const Model& model, double sense) {
  std::vector<double> cost(model.cost.size());
  for (std::size_t j = 0; j < cost.size(); ++j) cost[j] = sense * model.cost[j];
  log_.Matrix(cost, model.start, model.index, model.value);
  Count(MATRIX);
}

void LogWriter::DomCol(int j, double x, double c, const Entries& column) {
  log_.DominatedColumn(j, x, c, column);
  Count(DOMCOL);
}

void LogWriter::FixCol(int j, double x, double c, const Entries& column) {
  log_.FixedColumn(j, x, c, column);
  Count(FIXCOL);
}

void LogWriter::NulCol(int j, double x, double z) {
  log_.NullColumn(j, x, z);
  Count(NULCOL);
}

void LogWriter::DupCol(int k, int j, double alpha, double lok, double upk, double loj, double upj) {
  log_.DuplicateColumn(k, j, alpha, lok, upk, loj, upj);
  Count(DUPCOL);
}

void LogWriter::LowBnd(int j, double l) {
  log_.LowerBound(j, l);
  Count(LOWBND);
}

void LogWriter::MinBnd(int j, double u) {
  log_.MinusBound(j, u);
  Count(MINBND);
}

void LogWriter::DblRow(int r, int j, int k, double b, double aj, double ak, double cj, double ck,
                       bool flo, double lo, bool fup, double up, const Entries& columnK) {
  log_.DoubletonRow(r, j, k, b, aj, ak, cj, ck, flo, lo, fup, up, columnK);
  Count(DBLROW);
}

void LogWriter::DomRow(int r, int j, double b, double a, double cj, const Entries& row) {
  log_.DominatedRow(r, j, b, a, cj, row);
  Count(DOMROW);
}

void LogWriter::ForRow(int r, const std::vector<ForcedColumn>& items) {
  std::vector<::postsolve::ForcedColumn> columns;
  columns.reserve(items.size());
  for (const ForcedColumn& item : items) columns.push_back({item.tag, item.j, item.x, item.a, item.c, item.others});
  log_.ForcingRow(r, columns);
  Count(FORROW);
}

void LogWriter::NulRow(int r) {
  log_.NullRow(r);
  Count(NULROW);
}

void LogWriter::DupRow(int r, int s, double v) {
  log_.DuplicateRow(r, s, v);
  Count(DUPROW);
}

void LogWriter::SglRow(int r, int j, double x, double a, double c, const Entries& column) {
  log_.SingletonRow(r, j, x, a, c, column);
  Count(SGLROW);
}

void LogWriter::ColMap(const std::vector<int>& map) {
  log_.ColMap(map);
  Count(COLMAP);
}

void LogWriter::RowMap(const std::vector<int>& map) {
  log_.RowMap(map);
  Count(ROWMAP);
}

}  // namespace postsolve::presolve
