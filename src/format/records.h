// The record format: the codes, the one description of every record's
// payload, the framing of the three input files, and the writer that is the
// inverse of each reader.
//
// Invariant of the whole format: a reader takes exactly what the writer put,
// in the same order. Every payload is described once, by its Fields()
// member, which lists the fields in file order; the replay decodes through it,
// `postsolve-kit dump` prints through it, and the case writer and the
// benchmark generator write through it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "infile.h"

namespace postsolve {

// The int32 that starts every record of the record file.
enum class RecordCode : std::int32_t {
  DOMCOL = 0, DUPCOL = 1, FIXCOL = 2, NULCOL = 3, LOWBND = 4, MATRIX = 5,
  MINBND = 6, HEADER = 7, DBLROW = 8, DOMROW = 9, FORROW = 10, NULROW = 11,
  DUPROW = 12, SGLROW = 13, COLMAP = 14, ROWMAP = 15
};
inline constexpr int NCODES = 16;
constexpr int AsInt(RecordCode code) { return static_cast<int>(code); }
// Six-letter name of a code, or "code <n>" outside the table.
std::string CodeName(int code);
inline std::string CodeName(RecordCode code) { return CodeName(AsInt(code)); }

inline constexpr const char* SOLFILE = "dravfile.sol";
inline constexpr const char* STKFILE = "dravfile.stk";
inline constexpr const char* BINFILE = "dravfile.bin";
// The report's first words; what does not start so is no report of ours.
inline constexpr std::string_view kReportStart = "INPUT FILE NAME  :";
// The report's file name for a problem name: NAME.rpt, dravfile.rpt for none.
std::string ReportName(std::string_view problem);
inline constexpr int MAXNAME = 19;  // longest problem name

// The log's infinity: a bound at or beyond +-1e30 is no bound. Values cross
// between it and the +-inf that models and the library use only here.
inline constexpr double kLogInfinity = 1e30;
inline double LogBound(double v) { return std::isinf(v) ? std::copysign(kLogInfinity, v) : v; }
// A lower (upper) bound at or beyond the log's infinity is none.
inline double LowerOrNone(double lo) { return lo <= -kLogInfinity ? -std::numeric_limits<double>::infinity() : lo; }
inline double UpperOrNone(double up) { return up >= kLogInfinity ? std::numeric_limits<double>::infinity() : up; }
inline double UnloggedBound(double v) { return UpperOrNone(LowerOrNone(v)); }

// ---- payloads ----
//
// Fields(v) calls, in file order, v.Col(int&) for a column index, v.Row(int&)
// for a row index (both checked against the full spaces as they are read),
// v.Int(int&) for any other int32 (an index checked only once the whole
// payload is read), v.Real(double&), and v.Entries(EntryList&) /
// v.OptionalEntries(EntryList&) for the entry list that ends a payload:
// (int32 index, double value) pairs up to a negative int32 end marker. The
// list is not read with the fields: EntryList marks where it starts, and the
// undo reads it as it goes (or not at all, as a doubleton row that is not
// binding). An optional list may be left out by a writer; the replay reads it
// only when it needs it.

struct EntryList {
  std::size_t at = 0;  // offset of the first pair in the record file
};

// DOMCOL, FIXCOL: j, xval, cj, entry list of column j (rows, coefficients)
struct FixedColPayload {
  int j = 0;
  double xval = 0, cj = 0;
  EntryList column;
  template <class V> void Fields(V& v) { v.Col(j); v.Real(xval); v.Real(cj); v.Entries(column); }
};

// DUPCOL: k, j, alpha, lok, upk, loj, upj
struct DupColPayload {
  int k = 0, j = 0;
  double alpha = 0, lok = 0, upk = 0, loj = 0, upj = 0;
  template <class V> void Fields(V& v) {
    v.Int(k); v.Int(j); v.Real(alpha); v.Real(lok); v.Real(upk); v.Real(loj); v.Real(upj);
  }
};

// NULCOL: j, xval, zval
struct NulColPayload {
  int j = 0;
  double xval = 0, zval = 0;
  template <class V> void Fields(V& v) { v.Col(j); v.Real(xval); v.Real(zval); }
};

// LOWBND: j, l  and  MINBND: j, u
struct BoundPayload {
  int j = 0;
  double bound = 0;
  template <class V> void Fields(V& v) { v.Col(j); v.Real(bound); }
};

// DBLROW: r, j, k, b, aj, ak, cj, ck, flo, lo, fup, up, entry list of column k
struct DblRowPayload {
  int r = 0, j = 0, k = 0;
  double b = 0, aj = 0, ak = 0, cj = 0, ck = 0;
  int flo = 0;
  double lo = 0;
  int fup = 0;
  double up = 0;
  EntryList columnK;
  template <class V> void Fields(V& v) {
    v.Int(r); v.Int(j); v.Int(k);
    v.Real(b); v.Real(aj); v.Real(ak); v.Real(cj); v.Real(ck);
    v.Int(flo); v.Real(lo); v.Int(fup); v.Real(up);
    v.OptionalEntries(columnK);
  }
};

// DOMROW: r, j, b, a, cj, entry list of row r (columns, coefficients)
struct DomRowPayload {
  int r = 0, j = 0;
  double b = 0, a = 0, cj = 0;
  EntryList row;
  template <class V> void Fields(V& v) { v.Row(r); v.Col(j); v.Real(b); v.Real(a); v.Real(cj); v.Entries(row); }
};

// NULROW: r
struct NulRowPayload {
  int r = 0;
  template <class V> void Fields(V& v) { v.Row(r); }
};

// DUPROW: r, s, v
struct DupRowPayload {
  int r = 0, s = 0;
  double factor = 0;
  template <class V> void Fields(V& v) { v.Row(r); v.Row(s); v.Real(factor); }
};

// SGLROW: r, j, xval, a, cj, entry list of column j (rows, coefficients)
struct SglRowPayload {
  int r = 0, j = 0;
  double xval = 0, a = 0, cj = 0;
  EntryList column;
  template <class V> void Fields(V& v) { v.Row(r); v.Col(j); v.Real(xval); v.Real(a); v.Real(cj); v.Entries(column); }
};

// FORROW: r, then items (a tag byte, then ForRowItem) up to the tag kForRowEnd.
struct ForRowHead {
  int r = 0;
  template <class V> void Fields(V& v) { v.Row(r); }
};
// A tag of 'l' or 'u' says at which bound of the row the column was forced.
struct ForRowItem {
  int j = 0;
  double xval = 0, a = 0, cj = 0;
  EntryList column;
  template <class V> void Fields(V& v) { v.Col(j); v.Real(xval); v.Real(a); v.Real(cj); v.Entries(column); }
};
inline constexpr int kForRowEnd = 'e';

// Calls fn(Payload{}) for the kinds whose payload is fixed fields and at
// most one entry list (all but HEADER, MATRIX, COLMAP, ROWMAP and FORROW);
// false for the others.
template <class Fn>
bool WithPlainPayload(int code, Fn&& fn) {
  switch (static_cast<RecordCode>(code)) {
    using enum RecordCode;
    case DOMCOL: case FIXCOL: fn(FixedColPayload{}); return true;
    case DUPCOL: fn(DupColPayload{}); return true;
    case NULCOL: fn(NulColPayload{}); return true;
    case LOWBND: case MINBND: fn(BoundPayload{}); return true;
    case DBLROW: fn(DblRowPayload{}); return true;
    case DOMROW: fn(DomRowPayload{}); return true;
    case NULROW: fn(NulRowPayload{}); return true;
    case DUPROW: fn(DupRowPayload{}); return true;
    case SGLROW: fn(SglRowPayload{}); return true;
    default: return false;
  }
}

// Reads the fixed fields of a payload, in file order, and marks its entry
// list at the position where it starts (the list itself stays unread).
struct FieldReader {
  InFile& f;
  void Int(int& v) { v = iGet(f); }
  void Col(int& v) { v = iGet(f); }
  void Row(int& v) { v = iGet(f); }
  void Real(double& v) { v = dGet(f); }
  void Entries(EntryList& l) { l.at = f.pos; }
  void OptionalEntries(EntryList& l) { l.at = f.pos; }
};

// A payload's fixed fields read with no check beyond the file's bounds.
template <class Payload>
Payload ReadFields(InFile& f) {
  Payload p;
  FieldReader r{f};
  p.Fields(r);
  return p;
}

// Calls fn(index, value) for each pair of the entry list at f.pos, up to its
// negative end marker; returns the marker.
template <class Fn>
int ForEntries(InFile& f, Fn fn) {
  for (;;) {
    int i = iGet(f);
    if (i < 0) return i;
    double v = dGet(f);
    fn(i, v);
  }
}

// ---- the data records ----

// HEADER: m, n, len, name[len], then the arrays of kHeaderArrays in order.
// Its leading fields, checked against what the file can hold: the sizes, and
// the name as stored (its len bytes); the arrays follow at f.pos.
struct HeaderStart {
  int m = 0, n = 0;
  std::string name;
};
HeaderStart ReadHeaderStart(InFile& f);
struct HeaderArray {
  const char* label;
  bool perRow;  // m entries, else n
  bool bytes;   // one byte an entry, else a double
};
inline constexpr HeaderArray kHeaderArrays[] = {
    {"rlo", true, false}, {"rup", true, false}, {"rtype", true, true}, {"clo", false, false}, {"cup", false, false}};

// MATRIX: nz, ncols, c[ncols], then per column: cnt, ind[cnt], val[cnt].
// Read with its own checks; m and n are the header's, which it is checked
// against, or m < 0 to read it unchecked (the caller checks n, minrow and
// maxrow). The columns' entries lie one after another in the two blocks.
// A read on a second thread may be given a stop flag: once it is set, the
// read gives up at the next column.
struct MatrixRead {
  int nz = 0;
  BulkVector<double> c;
  BulkVector<int> counts;  // entries in each column
  BulkVector<int> ind;
  BulkVector<double> val;
  int maxrow = -1, minrow = 0;
};
MatrixRead ReadMatrixAt(InFile& f, int m, int n, const std::atomic<bool>* stop = nullptr);

// COLMAP / ROWMAP: N, map[N]; the map as stored.
BulkVector<int> ReadMapEntries(InFile& f);

// ---- framing ----

// The reduced solution file: status, nc, nr, then x[nc], y[nr], z[nc] (all
// left out, read as zeros, when the file ends after the counts and only one of
// nc, nr is zero). Reads and checks the counts; the values follow at f.pos.
struct SolutionHead {
  int status = 0, nc = 0, nr = 0;
  bool valuesMissing = false;  // values the counts call for are left out
  bool hasValues = false;      // x, y, z follow, checked to fit the file
};
SolutionHead ReadSolutionHead(InFile& f);

// The offset stack: offsets[count], then count (>= 1). Returns the count+1
// int32s from the file's start (the offsets, then the count unless bytes lie
// between); no two records may start at the same byte.
std::vector<int> ReadOffsets(InFile f);

// Fails unless a record can start at `offset` of the record file.
void CheckRecordOffset(InFile& f, long index, int offset);
// Positions the record file at record `index`, sets the message context and
// where the record must end (`next`, the start of the record after it in the
// file, when known), and returns the record's code.
int EnterRecord(InFile& f, long index, int offset, std::size_t next = InFile::kNoEnd);
// Sets the code of the record being read, for messages.
void SetRecordCode(InFile& f, int code);

// The name section, after record 0's payload: m row names, then n column
// names, each an int32 length and its bytes. NameBytes gives them all,
// NextName up to the first NUL. Valid until the next read of f. The section
// belongs to record 0: a name that runs into the next record fails.
std::string_view NameBytes(InFile& f, const char* kind, long index);
std::string_view NextName(InFile& f, const char* kind, int index);

// ---- writing ----

// Little-endian byte writer.
struct ByteWriter {
  std::string s;
  void i32(int v);
  void f64(double v);
  void byte(int v) { s.push_back(static_cast<char>(v)); }
  void code(RecordCode c) { i32(AsInt(c)); }
  void ints(const std::vector<int>& v) { ints(v.data(), v.size()); }
  void doubles(const std::vector<double>& v) { doubles(v.data(), v.size()); }
  // `count` values from `v` on, in one copy where the host is little-endian.
  void ints(const int* v, std::size_t count);
  void doubles(const double* v, std::size_t count);
  void list(const std::vector<std::pair<int, double>>& entries);  // with end marker -1
  void name(std::string_view text);  // int32 length, then the bytes
};

// Writes a payload's fixed fields in file order; its entry list, which
// always comes last, the caller appends.
struct FieldWriter {
  ByteWriter& b;
  void Int(int& v) { b.i32(v); }
  void Col(int& v) { b.i32(v); }
  void Row(int& v) { b.i32(v); }
  void Real(double& v) { b.f64(v); }
  void Entries(EntryList&) {}
  void OptionalEntries(EntryList&) {}
};
// The code, then the payload's fixed fields.
template <class Payload>
void WritePayload(ByteWriter& b, RecordCode code, Payload payload) {
  b.code(code);
  FieldWriter w{b};
  payload.Fields(w);
}

// HEADER's payload: m and n as the sizes of rlo and clo, the name, then the
// arrays as given.
void WriteHeaderPayload(ByteWriter& b, std::string_view name, const std::vector<double>& rlo,
                        const std::vector<double>& rup, std::string_view rtype,
                        const std::vector<double>& clo, const std::vector<double>& cup);
// MATRIX's payload: nz as given, the column count, c, then each column's
// count, rows and values. Column j's entries are [start[j], start[j + 1]) of
// index and value; start has one entry more than there are columns.
void WriteMatrixPayload(ByteWriter& b, int nz, const std::vector<double>& c, const std::vector<int>& start,
                        const std::vector<int>& index, const std::vector<double>& value);
// Columns given as (row, value) lists, in the compressed form above.
struct CompressedColumns {
  std::vector<int> start{0}, index;
  std::vector<double> value;
};
CompressedColumns Compress(const std::vector<std::vector<std::pair<int, double>>>& columns);
// COLMAP / ROWMAP's payload.
void WriteMapPayload(ByteWriter& b, const std::vector<int>& map);

// Solution file: status, nc, nr, then whatever arrays are given.
std::string SolutionBytes(int status, int nc, int nr, const std::vector<double>& x,
                          const std::vector<double>& y, const std::vector<double>& z);
// Offset stack: the offsets, then their count.
std::string StackBytes(const std::vector<int>& offsets);

// Writes dir/dravfile.sol, .stk and .bin (creating dir if missing) as one
// transaction on the directory's result (resultdir.h): either all three
// replace the old set or none does.
void WriteInputFiles(std::string_view sol, std::string_view stk, std::string_view bin, const std::string& dir);

}  // namespace postsolve
