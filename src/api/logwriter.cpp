// The public log writer: each record through the one description of its
// payload in records.h, the same code the case format's pack writes with.

#include <limits>

#include "postsolve/postsolve.h"
#include "records.h"

namespace postsolve {

namespace {

// A payload with its entry list, which always comes last.
template <class Payload>
void Plain(ByteWriter& b, RecordCode code, Payload payload, const Entries* list = nullptr) {
  WritePayload(b, code, payload);
  if (list) b.list(*list);
}

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

void LogWriter::Start() {
  // Offsets in the stack are int32: a record must start below 2 GiB.
  if (bin_.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw Error(std::string(BINFILE) + ": record " + std::to_string(offsets_.size()) +
                " would start beyond the largest offset the stack can hold");
  if (offsets_.empty() && !bin_.empty()) throw Error("log writer: Header must be the first record");
  offsets_.push_back(static_cast<int>(bin_.size()));
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
  Start();
  Appender b(bin_);
  (*b).code(RecordCode::HEADER);
  WriteHeaderPayload(*b, name, rlo, rup, rtype, clo, cup);
  for (const std::string& s : rowNames) (*b).name(s);
  for (const std::string& s : colNames) (*b).name(s);
}

void LogWriter::Matrix(const std::vector<double>& c, const std::vector<Entries>& columns) {
  if (c.size() != columns.size()) throw Error("log writer: Matrix: one cost a column, please");
  std::size_t nz = 0;
  for (const Entries& col : columns) nz += col.size();
  if (nz > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw Error("log writer: Matrix: more entries than an int32 counts");
  Start();
  Appender b(bin_);
  (*b).code(RecordCode::MATRIX);
  WriteMatrixPayload(*b, static_cast<int>(nz), c, columns);
}

void LogWriter::ColMap(const std::vector<int>& map) {
  Start();
  Appender b(bin_);
  (*b).code(RecordCode::COLMAP);
  WriteMapPayload(*b, map);
}

void LogWriter::RowMap(const std::vector<int>& map) {
  Start();
  Appender b(bin_);
  (*b).code(RecordCode::ROWMAP);
  WriteMapPayload(*b, map);
}

void LogWriter::DominatedColumn(int j, double xval, double cj, const Entries& column) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::DOMCOL, FixedColPayload{j, xval, cj, {}}, &column);
}

void LogWriter::FixedColumn(int j, double xval, double cj, const Entries& column) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::FIXCOL, FixedColPayload{j, xval, cj, {}}, &column);
}

void LogWriter::DuplicateColumn(int k, int j, double alpha, double lok, double upk, double loj, double upj) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::DUPCOL, DupColPayload{k, j, alpha, lok, upk, loj, upj});
}

void LogWriter::NullColumn(int j, double xval, double zval) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::NULCOL, NulColPayload{j, xval, zval});
}

void LogWriter::LowerBound(int j, double l) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::LOWBND, BoundPayload{j, l});
}

void LogWriter::MinusBound(int j, double u) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::MINBND, BoundPayload{j, u});
}

void LogWriter::DoubletonRow(int r, int j, int k, double bval, double aj, double ak, double cj, double ck,
                             bool flo, double lo, bool fup, double up, const Entries& columnK) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::DBLROW, DblRowPayload{r, j, k, bval, aj, ak, cj, ck, flo, lo, fup, up, {}}, &columnK);
}

void LogWriter::DominatedRow(int r, int j, double bval, double a, double cj, const Entries& row) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::DOMROW, DomRowPayload{r, j, bval, a, cj, {}}, &row);
}

void LogWriter::DuplicateRow(int r, int s, double factor) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::DUPROW, DupRowPayload{r, s, factor});
}

void LogWriter::ForcingRow(int r, const std::vector<ForcedColumn>& columns) {
  for (const ForcedColumn& fc : columns)
    if (fc.tag == kForRowEnd) throw Error("log writer: ForcingRow: the tag 'e' ends the list; use 'l' or 'u'");
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::FORROW, ForRowHead{r});
  for (const ForcedColumn& fc : columns) {
    (*b).byte(fc.tag);
    ForRowItem item{fc.j, fc.xval, fc.a, fc.cj, {}};
    FieldWriter w{*b};
    item.Fields(w);
    (*b).list(fc.column);
  }
  (*b).byte(kForRowEnd);
}

void LogWriter::NullRow(int r) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::NULROW, NulRowPayload{r});
}

void LogWriter::SingletonRow(int r, int j, double xval, double a, double cj, const Entries& column) {
  Start();
  Appender b(bin_);
  Plain(*b, RecordCode::SGLROW, SglRowPayload{r, j, xval, a, cj, {}}, &column);
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
