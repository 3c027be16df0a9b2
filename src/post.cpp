// The replay: the data records (HEADER, MATRIX, COLMAP, ROWMAP), the undo of
// every reduction, and the loop that walks the record file.
//
// Every reduction undoes exactly what the presolver recorded: each record is
// decoded through its payload's description (records.h), then undone; the
// arithmetic follows the recorded formulas operation by operation, so that
// results agree to the bit.

#include "replay.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <future>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "workers.h"

namespace postsolve {

namespace {

// Where a forcing row's dual interval starts, before its columns narrow it:
// wider than any finite end INFVAL lets through.
constexpr double kForcingDualStart = 1e40;

std::string Str(int v) { return std::to_string(v); }

// A double in messages, to its last bit.
std::string Exact(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// Index checks against the full column and row spaces: the spaces exist once
// COLMAP (x, z) and ROWMAP (y) have been replayed.
int Col(PostData& pd, int j) {
  if (!pd.colmapped) Fail(pd.fbin, "column data met before the COLMAP record");
  if (j < 0 || static_cast<std::size_t>(j) >= pd.x.size())
    Fail(pd.fbin, "column index " + Str(j) + " outside the " + std::to_string(pd.x.size()) +
                      " columns");
  return j;
}

int Row(PostData& pd, int i) {
  if (!pd.rowmapped) Fail(pd.fbin, "row data met before the ROWMAP record");
  if (i < 0 || static_cast<std::size_t>(i) >= pd.y.size())
    Fail(pd.fbin, "row index " + Str(i) + " outside the " + std::to_string(pd.y.size()) + " rows");
  return i;
}

// Decodes a payload's fixed fields through its description, checking column
// and row indices as they are read; its entry list is left for the undo.
struct ReplayFields : FieldReader {
  PostData& pd;
  void Col(int& v) { v = postsolve::Col(pd, iGet(f)); }
  void Row(int& v) { v = postsolve::Row(pd, iGet(f)); }
};

template <class Payload>
Payload Decode(PostData& pd) {
  Payload p;
  ReplayFields fields{{pd.fbin}, pd};
  p.Fields(fields);
  return p;
}

// Calls fn(index, value) for each pair of the entry list.
template <class Fn>
void ForList(PostData& pd, EntryList list, Fn fn) {
  pd.fbin.seek(list.at);
  ForEntries(pd.fbin, fn);
}

void Warn(PostData& pd, const char* kind, const std::string& what) {
  const InFile& f = pd.fbin;
  pd.warnings.Add(kind, f.path + ": record " + std::to_string(f.rec) + " " + CodeName(*f.code) +
                        " at offset " + std::to_string(f.recoff) + ": " + what);
}

// ---- data records ----

// COLMAP / ROWMAP: N, map[N]; spreads the reduced values over the full space.
void ReadMap(PostData& pd, bool cols) {
  InFile& f = pd.fbin;
  const std::size_t start = f.pos;
  const int N = iGet(f);
  NeedCount(f, N, 4, "map length");
  const int full = cols ? pd.n : pd.m;
  if (N < full)
    Fail(f, "map of " + Str(N) + " entries is shorter than the " + Str(full) +
                (cols ? " columns" : " rows"));
  f.seek(start);
  BulkVector<int> map = ReadMapEntries(f);
  const int nred = cols ? pd.nc : pd.nr;
  for (int i = 0; i < N; ++i) {
    const int r = map[static_cast<std::size_t>(i)];
    if (r >= nred)
      Fail(f, "entry " + Str(i) + " maps to " + Str(r) + ", outside the " + Str(nred) +
                  (cols ? " reduced columns" : " reduced rows"));
  }
  // The solution file may leave the values out (all zero): read absent values as 0.
  auto val = [](const BulkVector<double>& v, int r) {
    return static_cast<std::size_t>(r) < v.size() ? v[static_cast<std::size_t>(r)] : 0.0;
  };
  if (cols) {
    BulkVector<double> x = dAlloc(static_cast<std::size_t>(N));
    BulkVector<double> z = dAlloc(static_cast<std::size_t>(N));
    for (std::size_t i = 0; i < map.size(); ++i)
      if (map[i] >= 0) {
        x[i] = val(pd.xr, map[i]);
        z[i] = val(pd.zr, map[i]);
      }
    pd.x = std::move(x);
    pd.z = std::move(z);
    pd.cmap = std::move(map);
    pd.cmapn = N;
    pd.colmapped = true;
  } else {
    BulkVector<double> y = dAlloc(static_cast<std::size_t>(N));
    for (std::size_t i = 0; i < map.size(); ++i)
      if (map[i] >= 0) y[i] = val(pd.yr, map[i]);
    pd.y = std::move(y);
    pd.rmap = std::move(map);
    pd.rmapn = N;
    pd.rowmapped = true;
  }
}

// ---- column records ----

// DOMCOL, FIXCOL: j, xval, cj, entry list of column j (rows, coefficients)
void UndoFixedCol(PostData& pd, int& counter) {
  counter += 1;
  const auto p = Decode<FixedColPayload>(pd);
  pd.x[p.j] = p.xval;
  double zj = p.cj;
  ForList(pd, p.column, [&](int i, double a) { zj = zj - a * pd.y[Row(pd, i)]; });
  pd.z[p.j] = zj;
}

// DUPCOL: k, j, alpha, lok, upk, loj, upj
void UndoDupCol(PostData& pd) {
  pd.ndupcol += 1;
  const auto p = Decode<DupColPayload>(pd);
  const int k = Col(pd, p.k), j = Col(pd, p.j);
  const double alpha = p.alpha;
  double s = pd.x[j];
  if (std::fabs(alpha) < 1e-15) {
    pd.badDupColFactor = true;
    Fail(pd.fbin, "duplicate column " + Str(k) + " of column " + Str(j) + " has factor " +
                      Exact(alpha) + ", below 1e-15 in magnitude");
  }
  const auto [L, U] = DupColInterval(s, alpha, p.lok, p.upk, p.loj, p.upj);
  if (L > U)
    Warn(pd, "duplicate-column interval", "empty interval for duplicate column " + Str(k) + " of column " + Str(j) +
                 " (lower end above upper end); its value is the midpoint");
  double t;
  if (L < -INFBND)
    t = U > INFBND ? 0.0 : U;
  else
    t = U > INFBND ? L : (L + U) * 0.5;
  pd.x[j] = s - alpha * t;
  pd.x[k] = t;
  pd.z[k] = alpha * pd.z[j];
}

// NULCOL: j, xval, zval
void UndoNulCol(PostData& pd) {
  pd.nnulcol += 1;
  const auto p = Decode<NulColPayload>(pd);
  pd.x[p.j] = p.xval;
  pd.z[p.j] = p.zval;
}

// LOWBND: j, l
void UndoLowBnd(PostData& pd) {
  pd.nlowbnd += 1;
  const auto p = Decode<BoundPayload>(pd);
  pd.x[p.j] = pd.x[p.j] + p.bound;
}

// MINBND: j, u
void UndoMinBnd(PostData& pd) {
  pd.nminbnd += 1;
  const auto p = Decode<BoundPayload>(pd);
  pd.x[p.j] = p.bound - pd.x[p.j];
  pd.z[p.j] = -pd.z[p.j];
}

// ---- row records ----

// The binding test of a doubleton row is exact. A column that misses a
// flagged bound only by rounding (as after an undone bound shift) is most
// likely meant to sit at it: the arithmetic stays as recorded, but the run
// says where the row was taken as not binding.
void WarnNearMiss(PostData& pd, const DblRowPayload& p, int k) {
  const double x = pd.x[k];
  auto nearMiss = [x](double bound) { return std::fabs(x - bound) <= 1e-9 * std::max(1.0, std::fabs(bound)); };
  const bool lower = p.flo != 0 && nearMiss(p.lo);
  if (!lower && !(p.fup != 0 && nearMiss(p.up))) return;
  const double bound = lower ? p.lo : p.up;
  char text[160];
  std::snprintf(text, sizeof text,
                "column %d lies %.3g from the %s bound %.17g the record flags; the row is taken as not binding", k,
                std::fabs(x - bound), lower ? "lower" : "upper", bound);
  Warn(pd, "doubleton-row near-miss", text);
}

// DBLROW: r, j, k, b, aj, ak, cj, ck, flo, lo, fup, up, entry list of column k (read only when binding)
void UndoDblRow(PostData& pd) {
  pd.ndblrow += 1;
  const auto p = Decode<DblRowPayload>(pd);
  const int r = Row(pd, p.r), j = Col(pd, p.j), k = Col(pd, p.k);
  const double aj = p.aj, ak = p.ak;
  pd.x[j] = (p.b - ak * pd.x[k]) / aj;
  bool binding = (p.flo != 0 && pd.x[k] == p.lo) || (p.fup != 0 && pd.x[k] == p.up);
  if (!binding) WarnNearMiss(pd, p, k);
  if (binding) {
    pd.z[k] = 0;
    double ck = p.ck;
    ForList(pd, p.columnK, [&](int i, double v) { ck = ck - v * pd.y[Row(pd, i)]; });
    pd.y[r] = ck / ak;
  } else {
    pd.y[r] = p.cj / aj;
  }
  pd.z[j] = p.cj - aj * pd.y[r];
  if (aj == 0 || (binding && ak == 0))
    Warn(pd, "doubleton-row coefficient", "zero coefficient of column " + Str(aj == 0 ? j : k) + " in doubleton row " +
                 Str(r) + "; the division carries an infinity or NaN");
}

// DOMROW: r, j, b, a, cj, entry list of row r (columns, coefficients)
void UndoDomRow(PostData& pd) {
  pd.ndomrow += 1;
  const auto p = Decode<DomRowPayload>(pd);
  double b = p.b;
  ForList(pd, p.row, [&](int q, double v) {
    if (Col(pd, q) != p.j) b = b - v * pd.x[q];
  });
  pd.x[p.j] = b / p.a;
  pd.y[p.r] = p.cj / p.a;
  pd.z[p.j] = 0;
  if (p.a == 0)
    Warn(pd, "dominated-row coefficient", "zero coefficient of column " + Str(p.j) + " in dominated row " + Str(p.r) +
                 "; the division carries an infinity or NaN");
}

// FORROW: r, then items (tag, j, xval, a, cj, entry list of column j) up to the tag 'e'
void UndoForRow(PostData& pd) {
  InFile& f = pd.fbin;
  pd.nforrow += 1;
  const int r = Decode<ForRowHead>(pd).r;
  if (static_cast<std::size_t>(r) >= pd.rtype.size())
    Fail(f, "forcing row " + Str(r) + " has no row type (the header has " +
                std::to_string(pd.rtype.size()) + " rows)");
  double hi = kForcingDualStart, lo = -kForcingDualStart;
  pd.forind.clear();
  pd.forval.clear();
  for (;;) {
    const int tag = cGet(f);
    if (tag == kForRowEnd) break;
    const auto item = Decode<ForRowItem>(pd);
    const int j = item.j;
    const double a = item.a;
    double cj = item.cj;
    ForList(pd, item.column, [&](int i, double v) { cj = cj - v * pd.y[Row(pd, i)]; });
    if (std::fabs(a) < 1e-13)
      Fail(f, "forcing row " + Str(r) + ": coefficient of column " + Str(j) +
                  " is below 1e-13 in magnitude");
    pd.x[j] = item.xval;
    pd.z[j] = cj;
    pd.forind.push_back(j);
    pd.forval.push_back(a);
    double t = cj / a;
    if ((a > 0) == (tag == 'l')) {
      if (t < hi) hi = t;
    } else {
      if (t > lo) lo = t;
    }
  }
  // The row's dual: inside [lo, hi]; with one end open, an inequality row
  // keeps the sign its type allows.
  bool equality = pd.rtype[static_cast<std::size_t>(r)] == 'E';
  double yr;
  if (lo < -INFVAL) {
    if (hi > INFVAL)
      yr = 0;
    else
      yr = equality ? hi : std::min(hi, 0.0);
  } else if (hi > INFVAL) {
    yr = equality ? lo : std::max(lo, 0.0);
  } else {
    if (hi < lo)
      Fail(f, "forcing row " + Str(r) + ": empty dual interval, lower end above upper end");
    yr = (hi + lo) * 0.5;
  }
  pd.y[r] = yr;
  for (std::size_t q = 0; q < pd.forind.size(); ++q) {
    int j = pd.forind[q];
    pd.z[j] = pd.z[j] - pd.forval[q] * yr;
  }
}

// NULROW: r
void UndoNulRow(PostData& pd) {
  pd.nnulrow += 1;
  pd.y[Decode<NulRowPayload>(pd).r] = 0;
}

// DUPROW: r, s, v
void UndoDupRow(PostData& pd) {
  pd.nduprow += 1;
  const auto p = Decode<DupRowPayload>(pd);
  pd.y[p.r] = pd.y[p.r] - p.factor * pd.y[p.s];
}

// SGLROW: r, j, xval, a, cj, entry list of column j (rows, coefficients)
void UndoSglRow(PostData& pd) {
  pd.nsglrow += 1;
  const auto p = Decode<SglRowPayload>(pd);
  pd.x[p.j] = p.xval;
  double yr = p.cj;
  ForList(pd, p.column, [&](int i, double v) {
    if (Row(pd, i) != p.r) yr = yr - v * pd.y[i];
  });
  pd.y[p.r] = yr / p.a;
  pd.z[p.j] = 0;
  if (p.a == 0)
    Warn(pd, "singleton-row coefficient", "zero coefficient of column " + Str(p.j) + " in singleton row " + Str(p.r) +
                 "; the division carries an infinity or NaN");
}

}  // namespace

std::pair<double, double> DupColInterval(double s, double alpha, double lok, double upk, double loj,
                                         double upj) {
  double Lp, Up;  // interval for x_k that keeps x_j within its bounds
  if (alpha > 0) {
    Lp = upj <= INFBND ? (s - upj) / alpha : -INFVAL;
    Up = loj >= -INFBND ? (s - loj) / alpha : INFVAL;
  } else {
    Lp = loj >= -INFBND ? (s - loj) / alpha : -INFVAL;
    Up = upj <= INFBND ? (s - upj) / alpha : INFVAL;
  }
  return {Lp < lok ? lok : Lp, Up > upk ? upk : Up};
}

void StoreMatrix(PostData& pd, MatrixRead&& mr) {
  const int ncols = static_cast<int>(mr.counts.size());
  auto A = mAlloc(0, 0);
  A->n = ncols;
  A->nz = mr.nz;
  A->indblk = std::move(mr.ind);
  A->valblk = std::move(mr.val);
  A->col.reserve(mr.counts.size());  // each slot written once, not zeroed first
  std::size_t off = 0;
  for (const int count : mr.counts) {
    A->col.push_back({count, A->indblk.data() + off, A->valblk.data() + off});
    off += static_cast<std::size_t>(count);
  }
  pd.nz = mr.nz;
  pd.n = ncols;
  pd.c = std::move(mr.c);
  pd.A = std::move(A);
  pd.maxrow = mr.maxrow;
}

void ReadHeader(PostData& pd) {
  InFile& f = pd.fbin;
  HeaderStart h = ReadHeaderStart(f);
  std::string name = std::move(h.name);
  name.resize(std::strlen(name.c_str()));  // a name ends at its first NUL
  pd.m = h.m;
  pd.n = h.n;
  pd.name = std::move(name);
  pd.rlo = dAlloc(static_cast<std::size_t>(h.m));
  pd.rup = dAlloc(static_cast<std::size_t>(h.m));
  pd.rtype = cAlloc(static_cast<std::size_t>(h.m));
  pd.clo = dAlloc(static_cast<std::size_t>(h.n));
  pd.cup = dAlloc(static_cast<std::size_t>(h.n));
  // In the order of kHeaderArrays.
  BulkVector<double>* const reals[] = {&pd.rlo, &pd.rup, nullptr, &pd.clo, &pd.cup};
  for (std::size_t a = 0; a < std::size(kHeaderArrays); ++a) {
    if (kHeaderArrays[a].bytes) f.Copy(pd.rtype.data(), pd.rtype.size());
    else dGetN(f, reals[a]->data(), reals[a]->size());
  }
}

void PostSol(int code, PostData& pd) {
  SetRecordCode(pd.fbin, code);
  switch (static_cast<RecordCode>(code)) {
    using enum RecordCode;
    case DOMCOL: UndoFixedCol(pd, pd.ndomcol); break;
    case DUPCOL: UndoDupCol(pd); break;
    case FIXCOL: UndoFixedCol(pd, pd.nfixcol); break;
    case NULCOL: UndoNulCol(pd); break;
    case LOWBND: UndoLowBnd(pd); break;
    case MATRIX: StoreMatrix(pd, ReadMatrixAt(pd.fbin, pd.m, pd.n)); break;
    case MINBND: UndoMinBnd(pd); break;
    case HEADER: ReadHeader(pd); break;
    case DBLROW: UndoDblRow(pd); break;
    case DOMROW: UndoDomRow(pd); break;
    case FORROW: UndoForRow(pd); break;
    case NULROW: UndoNulRow(pd); break;
    case DUPROW: UndoDupRow(pd); break;
    case SGLROW: UndoSglRow(pd); break;
    case COLMAP: ReadMap(pd, true); break;
    case ROWMAP: ReadMap(pd, false); break;
    default: break;  // codes outside the table carry nothing we know how to read
  }
}

// ---- the replay loop ----

namespace {

// The reduced solution into the state.
void ReadSolution(PostData& pd, InFile f) {
  const SolutionHead h = ReadSolutionHead(f);
  pd.status = h.status;
  pd.nc = h.nc;
  pd.nr = h.nr;
  if (h.valuesMissing) {
    // Nothing but the counts: the values stay zero, but a reduced problem with
    // columns (or rows) had values the solver should have written.
    pd.warnings.Add("missing-value", std::string(SOLFILE) + ": the reduced problem has " + std::to_string(h.nc) +
                          " columns and " + std::to_string(h.nr) +
                          " rows but the file holds no values; they are taken as zero");
  }
  if (!h.hasValues) return;
  pd.xr = dAlloc(static_cast<std::size_t>(h.nc));
  pd.yr = dAlloc(static_cast<std::size_t>(h.nr));
  pd.zr = dAlloc(static_cast<std::size_t>(h.nc));
  dGetN(f, pd.xr.data(), pd.xr.size());
  dGetN(f, pd.yr.data(), pd.yr.size());
  dGetN(f, pd.zr.data(), pd.zr.size());
}

// What the report needs and the replay may have left missing or inconsistent.
void CheckReplayed(PostData& pd) {
  InFile& f = pd.fbin;
  auto fail = [&](const std::string& why) {
    f.leave();
    Fail(f, why);
  };
  if (!pd.A) fail("no MATRIX record");
  if (!pd.colmapped) fail("no COLMAP record");
  if (!pd.rowmapped) fail("no ROWMAP record");
  if (pd.A->n != pd.n)
    fail("the matrix has " + std::to_string(pd.A->n) + " columns, the header " + std::to_string(pd.n));
  if (pd.maxrow >= pd.m)
    fail("the matrix has row index " + std::to_string(pd.maxrow) + ", the header " +
         std::to_string(pd.m) + " rows");
  if (pd.cmapn < pd.n)
    fail("the column map has " + std::to_string(pd.cmapn) + " entries for " + std::to_string(pd.n) +
         " columns");
  if (pd.rmapn < pd.m)
    fail("the row map has " + std::to_string(pd.rmapn) + " entries for " + std::to_string(pd.m) +
         " rows");
}

// Presolvers write the matrix right after the header, and only the products
// use it: in a large file, record 1 is read on a second thread, unchecked,
// while the header and the records after it are replayed. The replay takes it
// up when it reaches record 1; a read that failed, or that does not fit the
// header, is read again there, in turn, so that any failure surfaces in replay
// order with its usual message. A replay that fails first stops the side read.
class EarlyMatrix {
 public:
  EarlyMatrix(const InFile& fbin, const std::vector<int>& offsets, std::size_t matrixEnd) {
    const long count = static_cast<long>(offsets.size()) - 1;
    if (count <= 2 || fbin.size <= InFile::kWindow || offsets[1] < 0 ||
        static_cast<std::size_t>(offsets[1]) + 4 > fbin.size)
      return;
    side_ = fbin.Reopen();
    if (EnterRecord(side_, 1, offsets[1], matrixEnd) != AsInt(RecordCode::MATRIX)) return;
    read_ = Launch<MatrixRead>(true, [this] { return ReadMatrixAt(side_, -1, 0, &stop_); });
  }
  EarlyMatrix(const EarlyMatrix&) = delete;
  EarlyMatrix& operator=(const EarlyMatrix&) = delete;
  ~EarlyMatrix() {
    stop_ = true;  // the replay failed before taking the matrix up: do not wait for all of it
  }

  bool started() const { return read_.valid(); }

  // Record 1, entered on pd.fbin: the early read's matrix if it fits the
  // header, else the record read again in turn.
  void TakeUp(PostData& pd, int code) {
    std::optional<MatrixRead> mr;
    std::exception_ptr failure;
    try {
      mr = read_.get();
    } catch (const PostError&) {
      failure = std::current_exception();
    }  // std::bad_alloc goes on to the driver as it is
    if (mr && mr->counts.size() == static_cast<std::size_t>(pd.n) && mr->minrow >= 0 && mr->maxrow < pd.m) {
      StoreMatrix(pd, std::move(*mr));
      pd.fbin.seek(side_.pos);
      return;
    }
    mr.reset();
    PostSol(code, pd);
    // The same bytes read with more checks cannot succeed where the side read
    // failed, unless the file changed under us.
    if (failure) std::rethrow_exception(failure);
  }

 private:
  InFile side_;
  std::atomic<bool> stop_{false};
  std::future<MatrixRead> read_;  // declared last: destroyed (and waited for) first
};

// Records must not overlap: one that reads into the record after it in the
// file is corrupt. This also bounds the whole replay by the file's size.
class RecordEnds {
 public:
  explicit RecordEnds(const std::vector<int>& offsets)
      : offsets_(offsets), starts_(offsets.begin(), offsets.end() - 1) {
    if (!std::is_sorted(starts_.begin(), starts_.end())) std::sort(starts_.begin(), starts_.end());
  }
  // Where record i must end: the start of the record after it in the file.
  std::size_t Next(long i) const {
    auto next = std::upper_bound(starts_.begin(), starts_.end(), offsets_[static_cast<std::size_t>(i)]);
    return next != starts_.end() && *next >= 0 ? static_cast<std::size_t>(*next) : InFile::kNoEnd;
  }
  // Fails if record i, just read, ran past the start of the record after it.
  void Check(const InFile& f, long i) const {
    const std::size_t next = Next(i);
    if (next != InFile::kNoEnd && f.pos > next) Fail(f, "it runs into the record at offset " + std::to_string(next));
  }

 private:
  const std::vector<int>& offsets_;
  std::vector<int> starts_;  // in file order
};

// Undoes the records of pd.fbin, newest first.
void ReplayRecords(PostData& pd, const std::vector<int>& offsets) {
  const long count = static_cast<long>(offsets.size()) - 1;
  const RecordEnds ends(offsets);
  EarlyMatrix early(pd.fbin, offsets, ends.Next(1));

  // The header first: its dimensions and row types check everything after it.
  if (EnterRecord(pd.fbin, 0, offsets[0], ends.Next(0)) != AsInt(RecordCode::HEADER))
    Fail(pd.fbin, "the first record is not HEADER");
  ReadHeader(pd);
  ends.Check(pd.fbin, 0);
  // Replayed again last, record 0 would read the same bytes into the same
  // arrays: unless another HEADER record came in between, skip to its end.
  const std::size_t headerEnd = pd.fbin.pos;
  bool headerAsRead = true;

  for (long i = count - 1; i >= 0; --i) {
    const int code = EnterRecord(pd.fbin, i, offsets[static_cast<std::size_t>(i)], ends.Next(i));
    if (i == 0 && headerAsRead) {
      pd.fbin.seek(headerEnd);
    } else if (i == 1 && early.started()) {
      early.TakeUp(pd, code);
    } else {
      if (code == AsInt(RecordCode::HEADER)) headerAsRead = false;
      PostSol(code, pd);
    }
    ends.Check(pd.fbin, i);
  }
  // Record 0, replayed last, leaves the file at the name section.
  CheckReplayed(pd);
}

// Opens DIR/NAME, named NAME in messages about its contents, and notes how
// it was when opened.
InFile OpenInput(PostData& pd, const std::string& dir, const char* name) {
  const std::string path = dir.empty() ? std::string(name) : dir + "/" + name;
  InFile f = OpenIn(path);
  pd.opened.emplace_back(path, f.stamp);
  f.path = name;
  return f;
}

}  // namespace

void ReplayLog(PostData& pd, const std::string& dir) {
  ReadSolution(pd, OpenInput(pd, dir, SOLFILE));
  const std::vector<int> offsets = ReadOffsets(OpenInput(pd, dir, STKFILE));
  pd.fbin = OpenInput(pd, dir, BINFILE);
  ReplayRecords(pd, offsets);
}

void ReplayLog(PostData& pd, const InputBuffers& files) { ReplayLog(pd, files.sol, files.stk, files.bin); }

void ReplayLog(PostData& pd, std::string_view sol, std::string_view stk, std::string_view bin) {
  ReadSolution(pd, MemIn(SOLFILE, sol));
  const std::vector<int> offsets = ReadOffsets(MemIn(STKFILE, stk));
  pd.fbin = MemIn(BINFILE, bin);
  ReplayRecords(pd, offsets);
}

}  // namespace postsolve
