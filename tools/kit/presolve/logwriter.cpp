// The log's records, one function per kind, each writing its payload in the
// order the replay reads it (docs/formats.md).
#include <cmath>

#include "work.h"

namespace kit::presolve {

void LogWriter::Start(RecCode code) {
  if (out_.s.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() - 8))
    throw PostError("the log would exceed the 2 GiB its int32 offsets can address");
  offsets_.push_back(static_cast<int>(out_.s.size()));
  out_.i32(code);
  ++counts_[code];
}

void LogWriter::Bound(double v) {
  out_.f64(std::isinf(v) ? std::copysign(INFVAL, v) : v);
}

std::string LogWriter::Stack() const { return StackBytes(offsets_); }

// HEADER: m, n, len, name, rlo, rup, rtype, clo, cup; then the name section
void LogWriter::Header(const Model& model, const std::string& name) {
  Start(HEADER);
  out_.i32(model.rows());
  out_.i32(model.cols());
  out_.i32(static_cast<int>(name.size()));
  out_.s += name;
  for (double v : model.rlo) Bound(v <= -INFVAL ? -kInf : v);
  for (double v : model.rup) Bound(v >= INFVAL ? kInf : v);
  for (int i = 0; i < model.rows(); ++i) {
    const bool lo = model.rlo[i] > -INFVAL, up = model.rup[i] < INFVAL;
    out_.byte(lo && up && model.rlo[i] == model.rup[i] ? 'E' : !lo && up ? 'L' : lo && !up ? 'G' : 'R');
  }
  for (double v : model.clo) Bound(v <= -INFVAL ? -kInf : v);
  for (double v : model.cup) Bound(v >= INFVAL ? kInf : v);
  for (const std::string& s : model.rowNames) out_.name(s);
  for (const std::string& s : model.colNames) out_.name(s);
}

// MATRIX: nz, ncols, c, then per column: cnt, rows, values
void LogWriter::Matrix(const Model& model, double sense) {
  Start(MATRIX);
  out_.i32(static_cast<int>(model.index.size()));
  out_.i32(model.cols());
  for (double c : model.cost) out_.f64(sense * c);
  for (int j = 0; j < model.cols(); ++j) {
    const int begin = model.start[j], end = model.start[j + 1];
    out_.i32(end - begin);
    for (int e = begin; e < end; ++e) out_.i32(model.index[e]);
    for (int e = begin; e < end; ++e) out_.f64(model.value[e]);
  }
}

// DOMCOL and FIXCOL: j, xval, cj, entry list of column j
void LogWriter::ColumnAt(RecCode code, int j, double x, double c, const Entries& column) {
  Start(code);
  out_.i32(j);
  out_.f64(x);
  out_.f64(c);
  out_.list(column);
}

// NULCOL: j, xval, zval
void LogWriter::NulCol(int j, double x, double z) {
  Start(NULCOL);
  out_.i32(j);
  out_.f64(x);
  out_.f64(z);
}

// DUPCOL: k, j, alpha, lok, upk, loj, upj
void LogWriter::DupCol(int k, int j, double alpha, double lok, double upk, double loj, double upj) {
  Start(DUPCOL);
  out_.i32(k);
  out_.i32(j);
  out_.f64(alpha);
  Bound(lok);
  Bound(upk);
  Bound(loj);
  Bound(upj);
}

// LOWBND: j, l
void LogWriter::LowBnd(int j, double l) {
  Start(LOWBND);
  out_.i32(j);
  out_.f64(l);
}

// MINBND: j, u
void LogWriter::MinBnd(int j, double u) {
  Start(MINBND);
  out_.i32(j);
  out_.f64(u);
}

// DBLROW: r, j, k, b, aj, ak, cj, ck, flo, lo, fup, up, entry list of column k
void LogWriter::DblRow(int r, int j, int k, double b, double aj, double ak, double cj, double ck,
                       bool flo, double lo, bool fup, double up, const Entries& columnK) {
  Start(DBLROW);
  out_.i32(r);
  out_.i32(j);
  out_.i32(k);
  for (double v : {b, aj, ak, cj, ck}) out_.f64(v);
  out_.i32(flo ? 1 : 0);
  Bound(lo);
  out_.i32(fup ? 1 : 0);
  Bound(up);
  out_.list(columnK);
}

// DOMROW: r, j, b, a, cj, entry list of row r
void LogWriter::DomRow(int r, int j, double b, double a, double cj, const Entries& row) {
  Start(DOMROW);
  out_.i32(r);
  out_.i32(j);
  out_.f64(b);
  out_.f64(a);
  out_.f64(cj);
  out_.list(row);
}

// FORROW: r, then per column: tag, j, xval, a, cj, entry list of column j; then 'e'
void LogWriter::ForRow(int r, const std::vector<ForcedColumn>& items) {
  Start(FORROW);
  out_.i32(r);
  for (const ForcedColumn& item : items) {
    out_.byte(item.tag);
    out_.i32(item.j);
    out_.f64(item.x);
    out_.f64(item.a);
    out_.f64(item.c);
    out_.list(item.others);
  }
  out_.byte('e');
}

// NULROW: r
void LogWriter::NulRow(int r) {
  Start(NULROW);
  out_.i32(r);
}

// DUPROW: r, s, v
void LogWriter::DupRow(int r, int s, double v) {
  Start(DUPROW);
  out_.i32(r);
  out_.i32(s);
  out_.f64(v);
}

// SGLROW: r, j, xval, a, cj, entry list of column j
void LogWriter::SglRow(int r, int j, double x, double a, double c, const Entries& column) {
  Start(SGLROW);
  out_.i32(r);
  out_.i32(j);
  out_.f64(x);
  out_.f64(a);
  out_.f64(c);
  out_.list(column);
}

// COLMAP and ROWMAP: N, then N reduced indices (-1 for a column or row removed)
void LogWriter::Map(RecCode code, const std::vector<int>& map) {
  Start(code);
  out_.i32(static_cast<int>(map.size()));
  out_.ints(map);
}

}  // namespace kit::presolve
