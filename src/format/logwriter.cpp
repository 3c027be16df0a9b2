// The public log writer: each record through the one description of its
// payload in records.h, the same code the case format's pack writes with.

#include <algorithm>
#include <cmath>
#include <limits>

#include "postsolve/logwriter.h"
#include "records.h"

namespace postsolve {

namespace {

// v as the log holds it, infinities as +-1e30: v itself when it has none
// (a large model's bounds are not copied for nothing), else `copy` made so.
const std::vector<double>& LogBounds(const std::vector<double>& v, std::vector<double>& copy) {
  if (std::none_of(v.begin(), v.end(), [](double x) { return std::isinf(x); })) return v;
  copy.resize(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) copy[i] = LogBound(v[i]);
  return copy;
}

// A payload's fields, then its entry list, which always comes last.
template <class Payload>
void Fields(ByteWriter& b, Payload payload, const Entries* list = nullptr) {
  FieldWriter w{b};
  payload.Fields(w);
  if (list) b.list(*list);
}

// A call's arguments checked where they enter: a refusal names the call and
// the argument. Bounds may be infinite (the log writes +-1e30 for them);
// every other number must be finite.
class Args {
 public:
  explicit Args(const char* call) : call_(call) {}

  [[noreturn]] void Refuse(const std::string& arg, const std::string& why) const {
    throw PostError("log writer: " + std::string(call_) + ": " + arg + " " + why);
  }
  void Finite(const std::string& arg, double v) const {
    if (std::isnan(v)) Refuse(arg, "is NaN");
    if (std::isinf(v)) Refuse(arg, "is infinite; it must be a finite number");
  }
  void Bound(const std::string& arg, double v) const {
    if (std::isnan(v)) Refuse(arg, "is NaN");
  }
  // The element's name is put together only for a refusal.
  void Finite(const std::string& arg, const std::vector<double>& v) const {
    for (std::size_t i = 0; i < v.size(); ++i)
      if (!std::isfinite(v[i])) Finite(Item(arg, i), v[i]);
  }
  void Bounds(const std::string& arg, const std::vector<double>& v) const {
    for (std::size_t i = 0; i < v.size(); ++i)
      if (std::isnan(v[i])) Bound(Item(arg, i), v[i]);
  }
  // An index of one of `count` rows or columns (`what`).
  void Index(const std::string& arg, int i, int count, const char* what) const {
    if (i < 0 || i >= count) Refuse(arg, "is " + std::to_string(i) + ", outside the " + std::to_string(count) + " " + what);
  }
  void Entries(const std::string& arg, const postsolve::Entries& list, int count, const char* what) const {
    for (std::size_t e = 0; e < list.size(); ++e) {
      if (list[e].first < 0 || list[e].first >= count) Index(Item(arg, e) + " index", list[e].first, count, what);
      if (!std::isfinite(list[e].second)) Finite(Item(arg, e) + " coefficient", list[e].second);
    }
  }
  void Distinct(const std::string& a, int i, const std::string& b, int j) const {
    if (i == j) Refuse(a + " and " + b, "are both " + std::to_string(i) + "; they must differ");
  }
  static std::string Item(const std::string& arg, std::size_t i) { return arg + "[" + std::to_string(i) + "]"; }

 private:
  const char* call_;
};

// A tag byte as a message shows it: 'c', or its code when unprintable.
std::string Printable(char tag) {
  const unsigned char byte = static_cast<unsigned char>(tag);
  if (byte >= 0x20 && byte < 0x7f) return std::string("'") + tag + "'";
  return "byte " + std::to_string(byte);
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

void LogWriter::HeaderLater(int rows, int cols, std::size_t entries) {
  if (records() > 0) throw Error("log writer: HeaderLater must come before any record");
  if (rows < 0 || cols < 0) throw Error("log writer: HeaderLater: negative counts of rows or columns");
  rows_ = rows;
  cols_ = cols;
  later_ = true;
  laterEntries_ = entries;
}

void LogWriter::RequireWhole(const char* call) const {
  if (later_)
    throw Error(std::string("log writer: ") + call + ": the Header and Matrix announced by HeaderLater are not written yet");
}

void LogWriter::Start(int code) {
  // Held back for a Header still to come, any reduction may come first;
  // once that Header is written, only its Matrix.
  const bool heldBack = later_ && !header_ && code != AsInt(RecordCode::MATRIX);
  if (!header_ && code != AsInt(RecordCode::HEADER) && !heldBack)
    throw Error("log writer: the first record must be the Header, not " + CodeName(code));
  if (later_ && header_ && code != AsInt(RecordCode::MATRIX))
    throw Error("log writer: the Matrix must follow a Header written after its records, not " + CodeName(code));
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

std::string LogWriter::HeaderName(std::size_t k) const {
  std::size_t at = namesAt_;
  for (std::size_t skipped = 0;; ++skipped) {
    const auto length = LoadLE<std::uint32_t>(bin_.data() + at);
    at += 4;
    if (skipped == k) return bin_.substr(at, length);
    at += length;
  }
}

void LogWriter::Reserve(std::size_t bytes) {
  // with room for what follows, so that the records after a large one do
  // not copy it at once; room never written to takes no memory
  if (bin_.capacity() < bin_.size() + bytes) bin_.reserve(bin_.size() + bytes + bytes / 4);
}

namespace {

// The Matrix record's bytes: its code, the counts, a cost, an entry count
// a column, and the entries.
std::size_t MatrixBytes(std::size_t cols, std::size_t entries) { return 12 + 12 * cols + 12 * entries; }

}  // namespace

long LogWriter::count(int code) const {
  static_assert(kCodes == NCODES, "one count per record code");
  return code >= 0 && code < kCodes ? counts_[static_cast<std::size_t>(code)] : 0;
}

void LogWriter::Header(std::string_view name, const std::vector<double>& rlo, const std::vector<double>& rup,
                       std::string_view rtype, const std::vector<double>& clo, const std::vector<double>& cup,
                       const std::vector<std::string>& rowNames, const std::vector<std::string>& colNames) {
  if (header_)
    throw Error("log writer: Header must be the first record, written once");
  const std::size_t m = rlo.size(), n = clo.size();
  if (later_ && (m != static_cast<std::size_t>(rows_) || n != static_cast<std::size_t>(cols_)))
    throw Error("log writer: Header: " + std::to_string(m) + " rows and " + std::to_string(n) +
                " columns, where HeaderLater announced " + std::to_string(rows_) + " and " + std::to_string(cols_));
  if (rup.size() != m || rtype.size() != m || rowNames.size() != m)
    throw Error("log writer: Header: rlo, rup, rtype and the row names differ in length");
  if (cup.size() != n || colNames.size() != n)
    throw Error("log writer: Header: clo, cup and the column names differ in length");
  if (name.size() > static_cast<std::size_t>(MAXNAME))
    throw Error("log writer: Header: the problem name is longer than " + std::to_string(MAXNAME) + " bytes");
  const Args args("Header");
  args.Bounds("rlo", rlo);
  args.Bounds("rup", rup);
  args.Bounds("clo", clo);
  args.Bounds("cup", cup);
  if (m > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
      n > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw Error("log writer: Header: more rows or columns than an int32 counts");
  if (later_) {  // the records so far wait for the Matrix
    laterBin_ = std::move(bin_);
    laterOffsets_ = std::move(offsets_);
    bin_.clear();
    offsets_.clear();
  }
  Start(AsInt(RecordCode::HEADER));
  header_ = true;
  rows_ = static_cast<int>(m);
  cols_ = static_cast<int>(n);
  std::size_t nameBytes = 0;
  for (const auto* names : {&rowNames, &colNames})
    for (const std::string& s : *names) nameBytes += 4 + s.size();
  // Written after its records, the Header takes room for them and its
  // Matrix too: the record file is not moved while the three are held.
  Reserve(12 + name.size() + 17 * m + 16 * n + nameBytes +
          (later_ ? MatrixBytes(n, laterEntries_) + laterBin_.size() : 0));
  Appender b(bin_);
  std::array<std::vector<double>, 4> copies;
  WriteHeaderPayload(*b, name, LogBounds(rlo, copies[0]), LogBounds(rup, copies[1]), rtype,
                     LogBounds(clo, copies[2]), LogBounds(cup, copies[3]));
  namesAt_ = (*b).s.size();
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
  const Args args("Matrix");
  if (header_ && c.size() != static_cast<std::size_t>(cols_))
    args.Refuse("c", "has " + std::to_string(c.size()) + " costs for the Header's " + std::to_string(cols_) +
                         " columns");
  args.Finite("c", c);
  if (start.size() != c.size() + 1) throw Error("log writer: Matrix: one cost a column, please");
  if (start.front() != 0 || static_cast<std::size_t>(start.back()) != index.size() || value.size() != index.size() ||
      !std::is_sorted(start.begin(), start.end()))
    throw Error("log writer: Matrix: start must rise from 0 to the number of entries of index and value");
  for (std::size_t j = 0; j + 1 < start.size(); ++j)
    for (auto e = static_cast<std::size_t>(start[j]); e < static_cast<std::size_t>(start[j + 1]); ++e) {
      if (header_ && (index[e] < 0 || index[e] >= rows_))
        args.Index(Args::Item("index", e), index[e], rows_, "rows");
      if (std::isfinite(value[e])) continue;
      // The entry by its names, as a reader of the model finds it.
      const std::string where = !header_ ? ""
                                                 : " (column " + HeaderName(static_cast<std::size_t>(rows_) + j) +
                                                       ", row " + HeaderName(static_cast<std::size_t>(index[e])) + ")";
      args.Finite(Args::Item("value", e) + where, value[e]);
    }
  Start(AsInt(RecordCode::MATRIX));
  Reserve(MatrixBytes(c.size(), index.size()) + laterBin_.size());
  {
    Appender b(bin_);
    WriteMatrixPayload(*b, static_cast<int>(index.size()), c, start, index, value);
  }
  if (!later_) return;
  // The records held back follow the Matrix.
  const std::size_t base = bin_.size();
  if (!laterOffsets_.empty() &&
      base + static_cast<std::size_t>(laterOffsets_.back()) > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw Error(std::string(BINFILE) + ": record " + std::to_string(offsets_.size() + laterOffsets_.size() - 1) +
                " would start beyond the largest offset the stack can hold");
  bin_ += laterBin_;
  for (int offset : laterOffsets_) offsets_.push_back(static_cast<int>(base + static_cast<std::size_t>(offset)));
  std::string().swap(laterBin_);
  std::vector<int>().swap(laterOffsets_);
  later_ = false;
}

namespace {

// A map from the full problem's `count` rows or columns to the reduced
// problem's: one entry each, negative for one left out, one to one. Returns
// the highest reduced index (-1 for none).
int CheckedMap(const char* call, const std::vector<int>& map, int count, const char* what) {
  const Args args(call);
  if (map.size() != static_cast<std::size_t>(count))
    args.Refuse("map", "has " + std::to_string(map.size()) + " entries for the Header's " + std::to_string(count) +
                           " " + what);
  std::vector<bool> seen(map.size());  // a bit a reduced index; the earlier entry is found only for a refusal
  int highest = -1;
  for (std::size_t i = 0; i < map.size(); ++i) {
    const int r = map[i];
    if (r < 0) continue;
    if (static_cast<std::size_t>(r) >= map.size())
      args.Refuse(Args::Item("map", i), "is " + std::to_string(r) + ", beyond the " + std::to_string(count) + " " +
                                             what + " a reduced problem can keep");
    if (seen[static_cast<std::size_t>(r)]) {
      const auto earlier = std::find(map.begin(), map.begin() + static_cast<std::ptrdiff_t>(i), r) - map.begin();
      args.Refuse(Args::Item("map", i), "is " + std::to_string(r) + ", as map[" + std::to_string(earlier) +
                                             "] is; the map must be one to one");
    }
    seen[static_cast<std::size_t>(r)] = true;
    highest = std::max(highest, r);
  }
  return highest;
}

}  // namespace

void LogWriter::ColMap(const std::vector<int>& map) {
  if (SizesKnown()) colMapTop_ = CheckedMap("ColMap", map, cols_, "columns");
  Start(AsInt(RecordCode::COLMAP));
  Appender b(bin_);
  WriteMapPayload(*b, map);
}

void LogWriter::RowMap(const std::vector<int>& map) {
  if (SizesKnown()) rowMapTop_ = CheckedMap("RowMap", map, rows_, "rows");
  Start(AsInt(RecordCode::ROWMAP));
  Appender b(bin_);
  WriteMapPayload(*b, map);
}

void LogWriter::DominatedColumn(int j, double xval, double cj, const Entries& column) {
  CheckColumnRecord("DominatedColumn", j, xval, cj, column);
  Start(AsInt(RecordCode::DOMCOL));
  Appender b(bin_);
  Fields(*b, FixedColPayload{j, xval, cj, {}}, &column);
}

void LogWriter::FixedColumn(int j, double xval, double cj, const Entries& column) {
  CheckColumnRecord("FixedColumn", j, xval, cj, column);
  Start(AsInt(RecordCode::FIXCOL));
  Appender b(bin_);
  Fields(*b, FixedColPayload{j, xval, cj, {}}, &column);
}

void LogWriter::DuplicateColumn(int k, int j, double alpha, double lok, double upk, double loj, double upj) {
  const Args args("DuplicateColumn");
  args.Index("k", k, cols_, "columns");
  args.Index("j", j, cols_, "columns");
  args.Distinct("k", k, "j", j);
  args.Finite("alpha", alpha);
  args.Bound("lok", lok);
  args.Bound("upk", upk);
  args.Bound("loj", loj);
  args.Bound("upj", upj);
  Start(AsInt(RecordCode::DUPCOL));
  Appender b(bin_);
  Fields(*b, DupColPayload{k, j, alpha, LogBound(lok), LogBound(upk), LogBound(loj), LogBound(upj)});
}

void LogWriter::NullColumn(int j, double xval, double zval) {
  const Args args("NullColumn");
  args.Index("j", j, cols_, "columns");
  args.Finite("xval", xval);
  args.Finite("zval", zval);
  Start(AsInt(RecordCode::NULCOL));
  Appender b(bin_);
  Fields(*b, NulColPayload{j, xval, zval});
}

void LogWriter::LowerBound(int j, double l) {
  const Args args("LowerBound");
  args.Index("j", j, cols_, "columns");
  args.Finite("l", l);
  Start(AsInt(RecordCode::LOWBND));
  Appender b(bin_);
  Fields(*b, BoundPayload{j, l});
}

void LogWriter::MinusBound(int j, double u) {
  const Args args("MinusBound");
  args.Index("j", j, cols_, "columns");
  args.Finite("u", u);
  Start(AsInt(RecordCode::MINBND));
  Appender b(bin_);
  Fields(*b, BoundPayload{j, u});
}

void LogWriter::DoubletonRow(int r, int j, int k, double bval, double aj, double ak, double cj, double ck,
                             bool flo, double lo, bool fup, double up, const Entries& columnK) {
  const Args args("DoubletonRow");
  args.Index("r", r, rows_, "rows");
  args.Index("j", j, cols_, "columns");
  args.Index("k", k, cols_, "columns");
  args.Distinct("j", j, "k", k);
  args.Finite("b", bval);
  args.Finite("aj", aj);
  args.Finite("ak", ak);
  args.Finite("cj", cj);
  args.Finite("ck", ck);
  args.Bound("lo", lo);
  args.Bound("up", up);
  args.Entries("columnK", columnK, rows_, "rows");
  Start(AsInt(RecordCode::DBLROW));
  Appender b(bin_);
  Fields(*b, DblRowPayload{r, j, k, bval, aj, ak, cj, ck, flo, LogBound(lo), fup, LogBound(up), {}}, &columnK);
}

void LogWriter::DominatedRow(int r, int j, double bval, double a, double cj, const Entries& row) {
  const Args args("DominatedRow");
  args.Index("r", r, rows_, "rows");
  args.Index("j", j, cols_, "columns");
  args.Finite("b", bval);
  args.Finite("a", a);
  args.Finite("cj", cj);
  args.Entries("row", row, cols_, "columns");
  Start(AsInt(RecordCode::DOMROW));
  Appender b(bin_);
  Fields(*b, DomRowPayload{r, j, bval, a, cj, {}}, &row);
}

void LogWriter::DuplicateRow(int r, int s, double factor) {
  const Args args("DuplicateRow");
  args.Index("r", r, rows_, "rows");
  args.Index("s", s, rows_, "rows");
  args.Distinct("r", r, "s", s);
  args.Finite("factor", factor);
  Start(AsInt(RecordCode::DUPROW));
  Appender b(bin_);
  Fields(*b, DupRowPayload{r, s, factor});
}

void LogWriter::ForcingRow(int r, const std::vector<ForcedColumn>& columns) {
  const Args args("ForcingRow");
  args.Index("r", r, rows_, "rows");
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const ForcedColumn& fc = columns[i];
    const std::string item = Args::Item("columns", i);
    if (fc.tag != 'l' && fc.tag != 'u')
      args.Refuse(item + ".tag", "is " + Printable(fc.tag) + "; it must be 'l' or 'u' (the row's bound it was forced at)");
    args.Index(item + ".j", fc.j, cols_, "columns");
    args.Finite(item + ".xval", fc.xval);
    args.Finite(item + ".a", fc.a);
    args.Finite(item + ".cj", fc.cj);
    args.Entries(item + ".column", fc.column, rows_, "rows");
  }
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
  Args("NullRow").Index("r", r, rows_, "rows");
  Start(AsInt(RecordCode::NULROW));
  Appender b(bin_);
  Fields(*b, NulRowPayload{r});
}

void LogWriter::SingletonRow(int r, int j, double xval, double a, double cj, const Entries& column) {
  const Args args("SingletonRow");
  args.Index("r", r, rows_, "rows");
  CheckColumnRecord("SingletonRow", j, xval, cj, column);
  args.Finite("a", a);
  Start(AsInt(RecordCode::SGLROW));
  Appender b(bin_);
  Fields(*b, SglRowPayload{r, j, xval, a, cj, {}}, &column);
}

std::string LogWriter::stackBytes() const {
  RequireWhole("stackBytes");
  return StackBytes(offsets_);
}

std::string SolutionFileBytes(const ReducedSolution& reduced) {
  if (reduced.z.size() != reduced.x.size())
    throw Error("log writer: the reduced solution's x and z differ in length");
  return SolutionBytes(reduced.status, static_cast<int>(reduced.x.size()), static_cast<int>(reduced.y.size()),
                       reduced.x, reduced.y, reduced.z);
}

void LogWriter::CheckColumnRecord(const char* call, int j, double xval, double cj, const Entries& column) const {
  const Args args(call);
  args.Index("j", j, cols_, "columns");
  args.Finite("xval", xval);
  args.Finite("cj", cj);
  args.Entries("column", column, rows_, "rows");
}

void LogWriter::Save(const std::string& dir, const ReducedSolution& reduced) const {
  if (offsets_.empty()) throw Error("log writer: nothing to save: the log has no records");
  RequireWhole("Save");
  const Args args("Save");
  args.Finite("x", reduced.x);
  args.Finite("y", reduced.y);
  args.Finite("z", reduced.z);
  if (colMapTop_ >= static_cast<long>(reduced.x.size()))
    args.Refuse("x", "has " + std::to_string(reduced.x.size()) + " values; ColMap maps a column to reduced column " +
                         std::to_string(colMapTop_));
  if (rowMapTop_ >= static_cast<long>(reduced.y.size()))
    args.Refuse("y", "has " + std::to_string(reduced.y.size()) + " values; RowMap maps a row to reduced row " +
                         std::to_string(rowMapTop_));
  WriteInputFiles(SolutionFileBytes(reduced), stackBytes(), bin_, dir);
}

}  // namespace postsolve
