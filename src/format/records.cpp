// The framing readers of the three input files, the data-record readers and
// the byte writer. Every message here is the one both the replay and the kit
// give for the same fault.

#include "records.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

#include "outfile.h"
#include "resultdir.h"

namespace postsolve {

namespace {

const char* const kCodeNames[NCODES] = {
    "DOMCOL", "DUPCOL", "FIXCOL", "NULCOL", "LOWBND", "MATRIX", "MINBND", "HEADER",
    "DBLROW", "DOMROW", "FORROW", "NULROW", "DUPROW", "SGLROW", "COLMAP", "ROWMAP"};

std::string Str(long v) { return std::to_string(v); }

}  // namespace

std::string CodeName(int code) {
  if (code >= 0 && code < NCODES) return kCodeNames[code];
  return "code " + std::to_string(code);
}

// ---- data records ----

HeaderStart ReadHeaderStart(InFile& f) {
  HeaderStart h;
  h.m = iGet(f);
  h.n = iGet(f);
  const int len = iGet(f);
  NeedCount(f, h.m, 0, "row count");
  NeedCount(f, h.n, 0, "column count");
  if (len < 0 || len > MAXNAME)
    Fail(f, "problem name length " + Str(len) + " outside 0.." + Str(MAXNAME));
  NeedCount(f, len, 1, "name length");
  h.name.assign(static_cast<std::size_t>(len), '\0');
  f.Copy(h.name.data(), h.name.size());
  NeedCount(f, h.m, 17, "row count");
  NeedCount(f, static_cast<std::int64_t>(h.m) * 17 + static_cast<std::int64_t>(h.n) * 16, 1,
            "header size");
  return h;
}

MatrixRead ReadMatrixAt(InFile& f, int m, int n, const std::atomic<bool>* stop) {
  const int nz = iGet(f);
  const int ncols = iGet(f);
  NeedCount(f, nz, 12, "entry count");     // an index and a value an entry
  NeedCount(f, ncols, 12, "column count");  // a cost and a count a column
  const bool checked = m >= 0;
  if (checked && ncols != n)
    Fail(f, "matrix has " + Str(ncols) + " columns, the header says " + Str(n));
  MatrixRead mr;
  mr.nz = nz;
  mr.c.resize(static_cast<std::size_t>(ncols));
  dGetN(f, mr.c.data(), mr.c.size());
  mr.counts.resize(static_cast<std::size_t>(ncols));
  mr.ind.resize(static_cast<std::size_t>(nz));
  mr.val.resize(static_cast<std::size_t>(nz));
  int maxrow = -1, minrow = 0;
  std::size_t off = 0;
  for (int e = 0; e < ncols; ++e) {
    if (stop && stop->load(std::memory_order_relaxed)) Fail(f, "read stopped");
    const int cnt = iGet(f);
    if (cnt < 0) Fail(f, "negative entry count " + Str(cnt) + " in column " + Str(e));
    if (static_cast<std::size_t>(cnt) > static_cast<std::size_t>(nz) - off)
      Fail(f, "column counts add up to more than the " + Str(nz) + " entries");
    mr.counts[static_cast<std::size_t>(e)] = cnt;
    int* ind = mr.ind.data() + off;
    iGetN(f, ind, static_cast<std::size_t>(cnt));
    dGetN(f, mr.val.data() + off, static_cast<std::size_t>(cnt));
    for (int q = 0; q < cnt; ++q) {
      const int r = ind[q];
      if (checked && (r < 0 || r >= m))
        Fail(f, "row index " + Str(r) + " of column " + Str(e) + " outside the " + Str(m) + " rows");
      if (r > maxrow) maxrow = r;
      if (r < minrow) minrow = r;
    }
    off += static_cast<std::size_t>(cnt);
  }
  mr.maxrow = maxrow;
  mr.minrow = minrow;
  return mr;
}

BulkVector<int> ReadMapEntries(InFile& f) {
  const int count = iGet(f);
  NeedCount(f, count, 4, "map length");
  BulkVector<int> map(static_cast<std::size_t>(count));
  iGetN(f, map.data(), map.size());
  return map;
}

// ---- framing ----

SolutionHead ReadSolutionHead(InFile& f) {
  SolutionHead h;
  h.status = iGet(f);
  h.nc = iGet(f);
  h.nr = iGet(f);
  NeedCount(f, h.nc, 0, "column count");
  NeedCount(f, h.nr, 0, "row count");
  h.valuesMissing = (h.nc == 0) != (h.nr == 0) && f.left() == 0;
  h.hasValues = !h.valuesMissing && !(h.nc == 0 && h.nr == 0);
  if (h.hasValues)
    NeedCount(f, static_cast<std::int64_t>(h.nc) * 16 + static_cast<std::int64_t>(h.nr) * 8, 1,
              "solution size");
  return h;
}

std::vector<int> ReadOffsets(InFile f) {
  if (f.size < 4) Fail(f, "short read: the file holds no record count");
  f.seek(f.size - 4);
  const int count = iGet(f);
  if (count < 1) Fail(f, "record count " + Str(count) + " is below 1");
  f.seek(0);
  NeedCount(f, static_cast<std::int64_t>(count) + 1, 4, "record count");
  std::vector<int> offsets(static_cast<std::size_t>(count) + 1);
  iGetN(f, offsets.data(), offsets.size());
  // No two records may start at the same byte: replaying the same bytes over
  // and over would let a small file run for hours.
  if (std::is_sorted(offsets.begin(), offsets.end() - 1, std::less_equal<int>()))
    return offsets;  // strictly increasing, as a presolver writes them
  std::vector<std::pair<int, std::size_t>> byOffset;
  byOffset.reserve(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) byOffset.emplace_back(offsets[i], i);
  std::sort(byOffset.begin(), byOffset.end());
  for (std::size_t k = 1; k < byOffset.size(); ++k)
    if (byOffset[k].first == byOffset[k - 1].first)
      Fail(f, "records " + Str(static_cast<long>(byOffset[k - 1].second)) + " and " +
                  Str(static_cast<long>(byOffset[k].second)) + " both start at offset " +
                  Str(byOffset[k].first));
  return offsets;
}

void CheckRecordOffset(InFile& f, long index, int offset) {
  if (offset < 0 || static_cast<std::size_t>(offset) + 4 > f.size) {
    f.leave();
    Fail(f, "record " + Str(index) + ": offset " + Str(offset) + " outside the record file of " +
                std::to_string(f.size) + " bytes");
  }
}

void SetRecordCode(InFile& f, int code) {
  f.code = code;
  f.codeName = static_cast<std::string (*)(int)>(CodeName);
}

int EnterRecord(InFile& f, long index, int offset, std::size_t next) {
  CheckRecordOffset(f, index, offset);
  f.enter(index, static_cast<std::size_t>(offset), next);
  f.seek(static_cast<std::size_t>(offset));
  const int code = iGet(f);
  SetRecordCode(f, code);
  return code;
}

std::string_view NameBytes(InFile& f, const char* kind, long index) {
  const int len = iGet(f);
  if (len < 0) Fail(f, "negative length " + Str(len) + " of " + kind + " name " + Str(index));
  if (static_cast<std::size_t>(len) > f.left())
    Fail(f, std::string("short read: ") + kind + " name " + Str(index) + " of " + Str(len) +
                " bytes at offset " + std::to_string(f.pos) + " runs past the end of the file");
  if (f.recend != InFile::kNoEnd && f.pos + static_cast<std::size_t>(len) > f.recend)
    Fail(f, std::string(kind) + " name " + Str(index) + " of " + Str(len) + " bytes at offset " +
                std::to_string(f.pos) + " runs into the record at offset " + std::to_string(f.recend));
  const char* p = reinterpret_cast<const char*>(f.Bytes(static_cast<std::size_t>(len)));
  f.pos += static_cast<std::size_t>(len);
  return {p, static_cast<std::size_t>(len)};
}

std::string_view NextName(InFile& f, const char* kind, int index) {
  const std::string_view bytes = NameBytes(f, kind, index);
  const void* nul = std::memchr(bytes.data(), 0, bytes.size());
  return nul ? bytes.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data()))
             : bytes;
}

// ---- writing ----

namespace {
template <class T>
void PutLE(std::string& s, T v) {
  char bytes[sizeof(T)];
  v = SwapLE(v);
  std::memcpy(bytes, &v, sizeof(T));
  s.append(bytes, sizeof(T));
}
}  // namespace

void ByteWriter::i32(int v) { PutLE(s, static_cast<std::int32_t>(v)); }

void ByteWriter::f64(double v) { PutLE(s, v); }

namespace {
template <class T>
void PutAllLE(std::string& s, const T* v, std::size_t count) {
  if constexpr (std::endian::native == std::endian::little) {
    s.append(reinterpret_cast<const char*>(v), count * sizeof(T));
  } else {
    for (std::size_t k = 0; k < count; ++k) PutLE(s, v[k]);
  }
}
}  // namespace

void ByteWriter::ints(const int* v, std::size_t count) {
  static_assert(sizeof(int) == 4, "the files' integers are int32");
  PutAllLE(s, v, count);
}

void ByteWriter::doubles(const double* v, std::size_t count) { PutAllLE(s, v, count); }

void ByteWriter::list(const std::vector<std::pair<int, double>>& entries) {
  for (const auto& [i, v] : entries) {
    i32(i);
    f64(v);
  }
  i32(-1);
}

void ByteWriter::name(std::string_view text) {
  i32(static_cast<int>(text.size()));
  s.append(text);
}

void WriteHeaderPayload(ByteWriter& b, std::string_view name, const std::vector<double>& rlo,
                        const std::vector<double>& rup, std::string_view rtype,
                        const std::vector<double>& clo, const std::vector<double>& cup) {
  b.i32(static_cast<int>(rlo.size()));
  b.i32(static_cast<int>(clo.size()));
  b.name(name);
  b.doubles(rlo);
  b.doubles(rup);
  b.s.append(rtype);
  b.doubles(clo);
  b.doubles(cup);
}

void WriteMatrixPayload(ByteWriter& b, int nz, const std::vector<double>& c, const std::vector<int>& start,
                        const std::vector<int>& index, const std::vector<double>& value) {
  b.i32(nz);
  b.i32(static_cast<int>(start.size()) - 1);
  b.doubles(c);
  for (std::size_t j = 0; j + 1 < start.size(); ++j) {
    const auto from = static_cast<std::size_t>(start[j]), to = static_cast<std::size_t>(start[j + 1]);
    b.i32(static_cast<int>(to - from));
    b.ints(index.data() + from, to - from);
    b.doubles(value.data() + from, to - from);
  }
}

CompressedColumns Compress(const std::vector<std::vector<std::pair<int, double>>>& columns) {
  CompressedColumns out;
  for (const auto& col : columns) {
    for (const auto& [row, v] : col) {
      out.index.push_back(row);
      out.value.push_back(v);
    }
    out.start.push_back(static_cast<int>(out.index.size()));
  }
  return out;
}

void WriteMapPayload(ByteWriter& b, const std::vector<int>& map) {
  b.i32(static_cast<int>(map.size()));
  b.ints(map);
}

std::string SolutionBytes(int status, int nc, int nr, const std::vector<double>& x,
                          const std::vector<double>& y, const std::vector<double>& z) {
  ByteWriter b;
  b.i32(status);
  b.i32(nc);
  b.i32(nr);
  b.doubles(x);
  b.doubles(y);
  b.doubles(z);
  return b.s;
}

std::string StackBytes(const std::vector<int>& offsets) {
  ByteWriter b;
  b.ints(offsets);
  b.i32(static_cast<int>(offsets.size()));
  return b.s;
}

void WriteInputFiles(std::string_view sol, std::string_view stk, std::string_view bin, const std::string& dir) {
  ReplaceResult(dir, [&](ResultTransaction& txn) {
    ReplaceFile(txn.Staged(SOLFILE), sol);
    ReplaceFile(txn.Staged(STKFILE), stk);
    ReplaceFile(txn.Staged(BINFILE), bin);
  });
}

std::string ReportName(std::string_view problem) {
  if (problem.empty()) return "dravfile.rpt";
  std::string name(problem);
  // The report always lands in the working directory, under a name that
  // neither a terminal nor a shell takes for anything but text.
  for (char& ch : name) {
    const unsigned char byte = static_cast<unsigned char>(ch);
    if (ch == '/' || byte < 0x20 || byte == 0x7f) ch = '_';
  }
  return name + ".rpt";
}

}  // namespace postsolve
