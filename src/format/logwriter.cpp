// The public log writer: each record through the one description of its
// payload in records.h, the same code the case format's pack writes with.

#include <algorithm>
#include <cmath>
#include <limits>

#include "postsolve/logwriter.h"
#include "records.h"

namespace postsolve {

namespace {

std::vector<double> LogBounds(const std::vector<double>& v) {
  std::vector<double> out(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) out[i] = LogBound(v[i]);
  return out;
}

// A payload's fields, then its entry list, which always comes last.
template <class Payload>
void Fields(ByteWriter& b, Payload payload, const Entries* list = nullptr) {
  FieldWriter w{b};
  payload.Fields(w);
  if (list) b.list(*list);
}

// Appends to the record file through a ByteWriter, without a copy.
class Appender {
 public:
  explicit Appender(std::string& bin) : bin_(bin) { b_.s.swap(bin_); }
  ~Appender() { b_.s.swap(bin_); }
  Appender(const Appender&) = delete;
  Appender& operator=(const Appender&) = delete;
  ByteWriter& operator*() { return b_; }

 private:
  std::string& bin_;
  ByteWriter b_;
};

}  // namespace

void LogWriter::Start(int code) {
  if (offsets_.empty() && code != AsInt(RecordCode::HEADER))
    throw Error("log writer: the first record must be the Header, not " + CodeName(code));
  // Offsets in the stack are int32: a record must start below 2 GiB.
  if (bin_.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw Error(std::string(BINFILE) + ": record " + std::to_string(offsets_.size()) +
                " would start beyond the largest offset the stack can hold");
  offsets_.push_back(static_cast<int>(bin_.size()));
  ++counts_[static_cast<std::size_t>(code)];
  ByteWriter b;
  b.i32(code);
  bin_ += b.s;
}

long LogWriter::count(int code) const {
  static_assert(kCodes == NCODES, "one count per record code");
  return code >= 0 && code < kCodes ? counts_[static_cast<std::size_t>(code)] : 0;
}

void LogWriter::Header(std::string_view name, const std::vector<double>& rlo, const std::vector<double>& rup,
                       std::string_view rtype, const std::vector<double>& clo, const std::vector<double>& cup,
                       const std::vector<std::string>& rowNames, const std::vector<std::string>& colNames) {
  if (!offsets_.empty()) throw Error("log writer: Header must be the first record, written once");
  const std::size_t m = rlo.size(), n = clo.size();
  if (rup.size() != m || rtype.size() != m || rowNames.size() != m)
    throw Error("log writer: Header: rlo, rup, rtype and the row names differ in length");
  if (cup.size() != n || colNames.size() != n)
    throw Error("log writer: Header: clo, cup and the column names differ in length");
  if (name.size() > static_cast<std::size_t>(MAXNAME))
    throw Error("log writer: Header: the problem name is longer than " + std::to_string(MAXNAME) + " bytes");
  Start(AsInt(RecordCode::HEADER));
  Appender b(bin_);
  WriteHeaderPayload(*b, name, LogBounds(rlo), LogBounds(rup), rtype, LogBounds(clo), LogBounds(cup));
  for (const std::string& s : rowNames) (*b).name(s);
  for (const std::string& s : colNames) (*b).name(s);
}

void LogWriter::Matrix(const std::vector<double>& c, const std::vector<Entries>& columns) {
  std::size_t nz = 0;
  for (const Entries& col : columns) nz += col.size();
  if (nz > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw Error("log writer: Matrix: more entries than an int32 counts");
  const CompressedColumns m = Compress(columns);
  Matrix(c, m.start, m.index, m.value);
}

void LogWriter::Matrix(const std::vector<double>& c, const std::vector<int>& start, const std::vector<int>& index,
                       const std::vector<double>& value) {
  if (start.size() != c.size() + 1) throw Error("log writer: Matrix: one cost a column, please");
  if (start.front() != 0 || static_cast<std::size_t>(start.back()) != index.size() || value.size() != index.size() ||
      !std::is_sorted(start.begin(), start.end()))
    throw Error("log writer: Matrix: start must rise from 0 to the number of entries of index and value");
  Start(AsInt(RecordCode::MATRIX));
  Appender b(bin_);
  WriteMatrixPayload(*b, static_cast<int>(index.size()), c, start, index, value);
}

void LogWriter::ColMap(const std::vector<int>& map) {
  Start(AsInt(RecordCode::COLMAP));
  Appender b(bin_);
  WriteMapPayload(*b, map);
}

void LogWriter::RowMap(const std::vector<int>& map) {
  Start(AsInt(RecordCode::ROWMAP));
  Appender b(bin_);
  WriteMapPayload(*b, map);
}

void LogWriter::DominatedColumn(int j, double xval, double cj, const Entries& column) {
  Start(AsInt(RecordCode::DOMCOL));
  Appender b(bin_);
  Fields(*b, FixedColPayload{j, xval, cj, {}}, &column);
}

void LogWriter::FixedColumn(int j, double xval, double cj, const Entries& column) {
  Start(AsInt(RecordCode::FIXCOL));
  Appender b(bin_);
  Fields(*b, FixedColPayload{j, xval, cj, {}}, &column);
}

void LogWriter::DuplicateColumn(int k, int j, double alpha, double lok, double upk, double loj, double upj) {
  Start(AsInt(RecordCode::DUPCOL));
  Appender b(bin_);
  Fields(*b, DupColPayload{k, j, alpha, LogBound(lok), LogBound(upk), LogBound(loj), LogBound(upj)});
}

void LogWriter::NullColumn(int j, double xval, double zval) {
  Start(AsInt(RecordCode::NULCOL));
  Appender b(bin_);
  Fields(*b, NulColPayload{j, xval, zval});
}

void LogWriter::LowerBound(int j, double l) {
  Start(AsInt(RecordCode::LOWBND));
  Appender b(bin_);
  Fields(*b, BoundPayload{j, l});
}

void LogWriter::MinusBound(int j, double u) {
  Start(AsInt(RecordCode::MINBND));
  Appender b(bin_);
  Fields(*b, BoundPayload{j, u});
}

void LogWriter::DoubletonRow(int r, int j, int k, double bval, double aj, double ak, double cj, double ck,
                             bool flo, double lo, bool fup, double up, const Entries& columnK) {
  Start(AsInt(RecordCode::DBLROW));
  Appender b(bin_);
  Fields(*b, DblRowPayload{r, j, k, bval, aj, ak, cj, ck, flo, LogBound(lo), fup, LogBound(up), {}}, &columnK);
}

void LogWriter::DominatedRow(int r, int j, double bval, double a, double cj, const Entries& row) {
  Start(AsInt(RecordCode::DOMROW));
  Appender b(bin_);
  Fields(*b, DomRowPayload{r, j, bval, a, cj, {}}, &row);
}

void LogWriter::DuplicateRow(int r, int s, double factor) {
  Start(AsInt(RecordCode::DUPROW));
  Appender b(bin_);
  Fields(*b, DupRowPayload{r, s, factor});
}

void LogWriter::ForcingRow(int r, const std::vector<ForcedColumn>& columns) {
  for (const ForcedColumn& fc : columns)
    if (fc.tag == kForRowEnd) throw Error("log writer: ForcingRow: the tag 'e' ends the list; use 'l' or 'u'");
  Start(AsInt(RecordCode::FORROW));
  Appender b(bin_);
  Fields(*b, ForRowHead{r});
  for (const ForcedColumn& fc : columns) {
    (*b).byte(fc.tag);
    Fields(*b, ForRowItem{fc.j, fc.xval, fc.a, fc.cj, {}}, &fc.column);
  }
  (*b).byte(kForRowEnd);
}

void LogWriter::NullRow(int r) {
  Start(AsInt(RecordCode::NULROW));
  Appender b(bin_);
  Fields(*b, NulRowPayload{r});
}

void LogWriter::SingletonRow(int r, int j, double xval, double a, double cj, const Entries& column) {
  Start(AsInt(RecordCode::SGLROW));
  Appender b(bin_);
  Fields(*b, SglRowPayload{r, j, xval, a, cj, {}}, &column);
}

std::string LogWriter::stackBytes() const { return StackBytes(offsets_); }

std::string SolutionFileBytes(const ReducedSolution& reduced) {
  if (reduced.z.size() != reduced.x.size())
    throw Error("log writer: the reduced solution's x and z differ in length");
  return SolutionBytes(reduced.status, static_cast<int>(reduced.x.size()), static_cast<int>(reduced.y.size()),
                       reduced.x, reduced.y, reduced.z);
}

void LogWriter::Save(const std::string& dir, const ReducedSolution& reduced) const {
  if (offsets_.empty()) throw Error("log writer: nothing to save: the log has no records");
  WriteInputFiles(SolutionFileBytes(reduced), stackBytes(), bin_, dir);
}

}  // namespace postsolve
