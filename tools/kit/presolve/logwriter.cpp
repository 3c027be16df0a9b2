// The log's records, one function per kind; the reductions' payloads go through
// the record format's description, the one the replay reads them with.
#include <cmath>

#include "work.h"

namespace postsolve::kit::presolve {

void LogWriter::Start(RecordCode code) {
  if (out_.s.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() - 8))
    throw PostError("the log would exceed the 2 GiB its int32 offsets can address");
  offsets_.push_back(static_cast<int>(out_.s.size()));
  ++counts_[AsInt(code)];
}

void LogWriter::Bound(double v) { out_.f64(LogBound(v)); }

double LogWriter::LogBound(double v) { return std::isinf(v) ? std::copysign(INFVAL, v) : v; }

std::string LogWriter::Stack() const { return StackBytes(offsets_); }

// HEADER: m, n, len, name, rlo, rup, rtype, clo, cup; then the name section
void LogWriter::Header(const Model& model, const std::string& name) {
  Start(HEADER);
  out_.code(HEADER);
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
  out_.code(MATRIX);
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

// The reductions: each payload through the record format's own description,
// then the entry list that ends it.

void LogWriter::ColumnAt(RecordCode code, int j, double x, double c, const Entries& column) {
  Start(code);
  WritePayload(out_, code, FixedColPayload{.j = j, .xval = x, .cj = c, .column = {}});
  out_.list(column);
}

void LogWriter::NulCol(int j, double x, double z) {
  Start(NULCOL);
  WritePayload(out_, NULCOL, NulColPayload{.j = j, .xval = x, .zval = z});
}

void LogWriter::DupCol(int k, int j, double alpha, double lok, double upk, double loj, double upj) {
  Start(DUPCOL);
  WritePayload(out_, DUPCOL,
               DupColPayload{.k = k, .j = j, .alpha = alpha, .lok = LogBound(lok), .upk = LogBound(upk),
                             .loj = LogBound(loj), .upj = LogBound(upj)});
}

void LogWriter::LowBnd(int j, double l) {
  Start(LOWBND);
  WritePayload(out_, LOWBND, BoundPayload{.j = j, .bound = l});
}

void LogWriter::MinBnd(int j, double u) {
  Start(MINBND);
  WritePayload(out_, MINBND, BoundPayload{.j = j, .bound = u});
}

void LogWriter::DblRow(int r, int j, int k, double b, double aj, double ak, double cj, double ck,
                       bool flo, double lo, bool fup, double up, const Entries& columnK) {
  Start(DBLROW);
  WritePayload(out_, DBLROW,
               DblRowPayload{.r = r, .j = j, .k = k, .b = b, .aj = aj, .ak = ak, .cj = cj, .ck = ck,
                             .flo = flo ? 1 : 0, .lo = LogBound(lo), .fup = fup ? 1 : 0,
                             .up = LogBound(up), .columnK = {}});
  out_.list(columnK);
}

void LogWriter::DomRow(int r, int j, double b, double a, double cj, const Entries& row) {
  Start(DOMROW);
  WritePayload(out_, DOMROW, DomRowPayload{.r = r, .j = j, .b = b, .a = a, .cj = cj, .row = {}});
  out_.list(row);
}

void LogWriter::ForRow(int r, const std::vector<ForcedColumn>& items) {
  Start(FORROW);
  WritePayload(out_, FORROW, ForRowHead{.r = r});
  for (const ForcedColumn& item : items) {
    out_.byte(item.tag);
    ForRowItem fields{.j = item.j, .xval = item.x, .a = item.a, .cj = item.c, .column = {}};
    FieldWriter writer{out_};
    fields.Fields(writer);
    out_.list(item.others);
  }
  out_.byte(kForRowEnd);
}

void LogWriter::NulRow(int r) {
  Start(NULROW);
  WritePayload(out_, NULROW, NulRowPayload{.r = r});
}

void LogWriter::DupRow(int r, int s, double v) {
  Start(DUPROW);
  WritePayload(out_, DUPROW, DupRowPayload{.r = r, .s = s, .factor = v});
}

void LogWriter::SglRow(int r, int j, double x, double a, double c, const Entries& column) {
  Start(SGLROW);
  WritePayload(out_, SGLROW, SglRowPayload{.r = r, .j = j, .xval = x, .a = a, .cj = c, .column = {}});
  out_.list(column);
}

// COLMAP and ROWMAP: N, then N reduced indices (-1 for a column or row removed)
void LogWriter::Map(RecordCode code, const std::vector<int>& map) {
  Start(code);
  out_.code(code);
  out_.i32(static_cast<int>(map.size()));
  out_.ints(map);
}

}  // namespace postsolve::kit::presolve
