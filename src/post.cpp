// Record reader and replay: the read primitives over an input file, the four
// data records (HEADER, MATRIX, COLMAP, ROWMAP) and the undo of every reduction.
//
// Every reduction undoes exactly what the presolver recorded: each function
// reads its payload in file order, and its arithmetic follows the recorded
// formulas operation by operation, so that results agree to the bit.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "postdata.h"

namespace {

const char* const kCodeNames[NCODES] = {
    "DOMCOL", "DUPCOL", "FIXCOL", "NULCOL", "LOWBND", "MATRIX", "MINBND", "HEADER",
    "DBLROW", "DOMROW", "FORROW", "NULROW", "DUPROW", "SGLROW", "COLMAP", "ROWMAP"};

template <class T>
T FromLE(T v) {
  if constexpr (std::endian::native == std::endian::big) {
    unsigned char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(b[i], b[sizeof(T) - 1 - i]);
    std::memcpy(&v, b, sizeof(T));
  }
  return v;
}

void Need(const InFile& f, std::size_t bytes) {
  if (bytes > f.left()) ShortRead(f, bytes);
}

}  // namespace

std::string CodeName(int code) {
  if (code >= 0 && code < NCODES) return kCodeNames[code];
  return "code " + std::to_string(code);
}

InFile::InFile(InFile&& other) noexcept { *this = std::move(other); }

InFile& InFile::operator=(InFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    path = std::move(other.path);
    size = other.size;
    pos = other.pos;
    rec = other.rec;
    code = other.code;
    recoff = other.recoff;
    fd_ = std::exchange(other.fd_, -1);
    buf_ = std::move(other.buf_);
    cap_ = std::exchange(other.cap_, 0);
    winoff_ = std::exchange(other.winoff_, 0);
    winlen_ = std::exchange(other.winlen_, 0);
  }
  return *this;
}

InFile::~InFile() {
  if (fd_ >= 0) ::close(fd_);
}

InFile OpenIn(const std::string& path) {
  InFile f;
  f.path = path;
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  f.fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (f.fd_ < 0) Fail(f, std::string("cannot open: ") + std::strerror(errno));
  struct stat st {};
  if (::fstat(f.fd_, &st) != 0) Fail(f, std::string("cannot stat: ") + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) Fail(f, "not a regular file");
  f.size = static_cast<std::size_t>(st.st_size);
  return f;
}

InFile MemIn(std::string path, std::string_view bytes) {
  InFile f;
  f.path = std::move(path);
  f.size = f.cap_ = f.winlen_ = bytes.size();
  f.buf_ = std::make_shared_for_overwrite<unsigned char[]>(bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(f.buf_.get(), bytes.data(), bytes.size());
  return f;
}

InFile InFile::Reopen() const {
  InFile f;
  f.path = path;
  f.size = size;
  if (fd_ < 0) {
    f.buf_ = buf_;
    f.cap_ = cap_;
    f.winlen_ = winlen_;
    return f;
  }
  f.fd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (f.fd_ < 0) Fail(*this, std::string("cannot open again: ") + std::strerror(errno));
  return f;
}

// Reads file bytes [start, start + n) into out; the file was stat'ed at open,
// so fewer bytes now means it changed under us.
void InFile::Load(std::size_t start, std::size_t n, unsigned char* out) {
  std::size_t got = 0;
  while (got < n) {
    ssize_t r = ::pread(fd_, out + got, n - got, static_cast<off_t>(start + got));
    if (r < 0) {
      if (errno == EINTR) continue;
      Fail(*this, std::string("read error: ") + std::strerror(errno));
    }
    if (r == 0)
      Fail(*this, "the file ends at offset " + std::to_string(start + got) + ", it held " +
                      std::to_string(size) + " bytes when opened");
    got += static_cast<std::size_t>(r);
  }
}

const unsigned char* InFile::Refill(std::size_t n) {
  // Only a file on disk gets here: a file in memory is one window over all of it.
  const std::size_t want = std::max(std::min(kWindow, size), n);
  if (cap_ < want) {
    buf_.reset();  // the old window is gone either way; do not hold both
    buf_ = std::make_shared_for_overwrite<unsigned char[]>(want);
    cap_ = want;
  }
  // The replay walks records from the end of the file to its start: after a
  // step backwards, keep the bytes before pos in the window too.
  constexpr std::size_t kAhead = std::size_t{64} << 10;
  std::size_t start = pos;
  if (pos < winoff_ && pos + n + kAhead > cap_) start = std::min(pos, pos + n + kAhead - cap_);
  else if (pos < winoff_) start = 0;
  const std::size_t len = std::min(cap_, size - start);
  winlen_ = 0;
  Load(start, len, buf_.get());
  winoff_ = start;
  winlen_ = len;
  return buf_.get() + (pos - winoff_);
}

void InFile::Copy(void* out, std::size_t n) {
  if (n == 0) return;  // an empty block may have no storage: out can be null
  auto* dst = static_cast<unsigned char*>(out);
  if (pos >= winoff_ && pos < winoff_ + winlen_) {
    const std::size_t have = std::min(n, winoff_ + winlen_ - pos);
    std::memcpy(dst, buf_.get() + (pos - winoff_), have);
    dst += have;
    pos += have;
    n -= have;
  }
  if (n == 0) return;
  if (n < kWindow / 4) {
    std::memcpy(dst, Bytes(n), n);
  } else {
    Load(pos, n, dst);  // large blocks go straight to their destination
  }
  pos += n;
}

void ShortRead(const InFile& f, std::size_t bytes) {
  Fail(f, "short read: " + std::to_string(bytes) + " bytes needed at offset " + std::to_string(f.pos) +
              ", the file ends at " + std::to_string(f.size));
}

void Fail(const InFile& f, const std::string& why) {
  std::string msg = f.path + ": ";
  if (f.rec >= 0) {
    msg += "record " + std::to_string(f.rec);
    if (f.code) msg += " " + CodeName(*f.code);
    msg += " at offset " + std::to_string(f.recoff) + ": ";
  }
  throw PostError(msg + why);
}

void NeedCount(const InFile& f, std::int64_t count, std::int64_t each, const char* what) {
  if (count < 0) Fail(f, std::string("negative ") + what + " " + std::to_string(count));
  // count < 2^31 and each is small, so the product cannot overflow.
  if (count * each > static_cast<std::int64_t>(f.left()))
    Fail(f, std::string(what) + " " + std::to_string(count) + " is more than the " +
                std::to_string(f.left()) + " bytes left in the file can hold");
}

namespace {

template <class T>
void GetN(InFile& f, T* out, std::size_t count) {
  static_assert(sizeof(int) == 4 && sizeof(double) == 8);
  Need(f, count * sizeof(T));
  f.Copy(out, count * sizeof(T));
  if constexpr (std::endian::native == std::endian::big)
    for (std::size_t i = 0; i < count; ++i) out[i] = FromLE(out[i]);
}

}  // namespace

void iGetN(InFile& f, int* out, std::size_t count) { GetN(f, out, count); }
void dGetN(InFile& f, double* out, std::size_t count) { GetN(f, out, count); }

namespace {

std::string Str(int v) { return std::to_string(v); }

std::string Num(double v) {
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

// Calls fn(index, value) for each pair of an entry list, up to its negative end marker.
template <class Fn>
void ForEntries(InFile& f, Fn fn) {
  for (;;) {
    int i = iGet(f);
    if (i < 0) return;
    double v = dGet(f);
    fn(i, v);
  }
}

void Warn(PostData& pd, const std::string& what) {
  const InFile& f = pd.fbin;
  pd.warnings.push_back(f.path + ": record " + std::to_string(f.rec) + " " + CodeName(*f.code) +
                        " at offset " + std::to_string(f.recoff) + ": " + what);
}

// ---- data records ----

// COLMAP / ROWMAP: N, map[N]; spreads the reduced values over the full space.
void ReadMap(PostData& pd, bool cols) {
  InFile& f = pd.fbin;
  int N = iGet(f);
  NeedCount(f, N, 4, "map length");
  int full = cols ? pd.n : pd.m;
  if (N < full)
    Fail(f, "map of " + Str(N) + " entries is shorter than the " + Str(full) +
                (cols ? " columns" : " rows"));
  std::vector<int> map = iAlloc(static_cast<std::size_t>(N));
  iGetN(f, map.data(), map.size());
  int nred = cols ? pd.nc : pd.nr;
  for (int i = 0; i < N; ++i) {
    int r = map[static_cast<std::size_t>(i)];
    if (r >= nred)
      Fail(f, "entry " + Str(i) + " maps to " + Str(r) + ", outside the " + Str(nred) +
                  (cols ? " reduced columns" : " reduced rows"));
  }
  // The solution file may leave the values out (all zero): read absent values as 0.
  auto val = [](const std::vector<double>& v, int r) {
    return static_cast<std::size_t>(r) < v.size() ? v[static_cast<std::size_t>(r)] : 0.0;
  };
  if (cols) {
    std::vector<double> x = dAlloc(static_cast<std::size_t>(N));
    std::vector<double> z = dAlloc(static_cast<std::size_t>(N));
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
    std::vector<double> y = dAlloc(static_cast<std::size_t>(N));
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
  InFile& f = pd.fbin;
  counter += 1;
  int j = Col(pd, iGet(f));
  double xval = dGet(f);
  double cj = dGet(f);
  pd.x[j] = xval;
  double zj = cj;
  ForEntries(f, [&](int i, double a) { zj = zj - a * pd.y[Row(pd, i)]; });
  pd.z[j] = zj;
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

namespace {

// DUPCOL: k, j, alpha, lok, upk, loj, upj
void UndoDupCol(PostData& pd) {
  InFile& f = pd.fbin;
  pd.ndupcol += 1;
  int k = iGet(f);
  int j = iGet(f);
  double alpha = dGet(f);
  double lok = dGet(f), upk = dGet(f), loj = dGet(f), upj = dGet(f);
  Col(pd, k);
  Col(pd, j);
  double s = pd.x[j];
  if (std::fabs(alpha) < 1e-15) {
    std::fputs(" err data for duplicate column.\n", stdout);
    Fail(f, "duplicate column " + Str(k) + " of column " + Str(j) + " has factor " +
                Num(alpha) + ", below 1e-15 in magnitude");
  }
  const auto [L, U] = DupColInterval(s, alpha, lok, upk, loj, upj);
  if (L > U)
    Warn(pd, "empty interval for duplicate column " + Str(k) + " of column " + Str(j) +
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
  InFile& f = pd.fbin;
  pd.nnulcol += 1;
  int j = Col(pd, iGet(f));
  double xval = dGet(f);
  double zval = dGet(f);
  pd.x[j] = xval;
  pd.z[j] = zval;
}

// LOWBND: j, l
void UndoLowBnd(PostData& pd) {
  InFile& f = pd.fbin;
  pd.nlowbnd += 1;
  int j = Col(pd, iGet(f));
  double l = dGet(f);
  pd.x[j] = pd.x[j] + l;
}

// MINBND: j, u
void UndoMinBnd(PostData& pd) {
  InFile& f = pd.fbin;
  pd.nminbnd += 1;
  int j = Col(pd, iGet(f));
  double u = dGet(f);
  pd.x[j] = u - pd.x[j];
  pd.z[j] = -pd.z[j];
}

// ---- row records ----

// DBLROW: r, j, k, b, aj, ak, cj, ck, flo, lo, fup, up, entry list of column k (read only when binding)
void UndoDblRow(PostData& pd) {
  InFile& f = pd.fbin;
  pd.ndblrow += 1;
  int r = iGet(f), j = iGet(f), k = iGet(f);
  double b = dGet(f), aj = dGet(f), ak = dGet(f), cj = dGet(f), ck = dGet(f);
  int flo = iGet(f);
  double lo = dGet(f);
  int fup = iGet(f);
  double up = dGet(f);
  Row(pd, r);
  Col(pd, j);
  Col(pd, k);
  pd.x[j] = (b - ak * pd.x[k]) / aj;
  bool binding = (flo != 0 && pd.x[k] == lo) || (fup != 0 && pd.x[k] == up);
  if (binding) {
    pd.z[k] = 0;
    ForEntries(f, [&](int i, double v) { ck = ck - v * pd.y[Row(pd, i)]; });
    pd.y[r] = ck / ak;
  } else {
    pd.y[r] = cj / aj;
  }
  pd.z[j] = cj - aj * pd.y[r];
  if (aj == 0 || (binding && ak == 0))
    Warn(pd, "zero coefficient of column " + Str(aj == 0 ? j : k) + " in doubleton row " +
                 Str(r) + "; the division carries an infinity or NaN");
}

// DOMROW: r, j, b, a, cj, entry list of row r (columns, coefficients)
void UndoDomRow(PostData& pd) {
  InFile& f = pd.fbin;
  pd.ndomrow += 1;
  int r = Row(pd, iGet(f));
  int j = Col(pd, iGet(f));
  double b = dGet(f), a = dGet(f), cj = dGet(f);
  ForEntries(f, [&](int q, double v) {
    if (Col(pd, q) != j) b = b - v * pd.x[q];
  });
  pd.x[j] = b / a;
  pd.y[r] = cj / a;
  pd.z[j] = 0;
  if (a == 0)
    Warn(pd, "zero coefficient of column " + Str(j) + " in dominated row " + Str(r) +
                 "; the division carries an infinity or NaN");
}

// FORROW: r, then items (tag, j, xval, a, cj, entry list of column j) up to the tag 'e'
void UndoForRow(PostData& pd) {
  InFile& f = pd.fbin;
  pd.nforrow += 1;
  int r = Row(pd, iGet(f));
  if (static_cast<std::size_t>(r) >= pd.rtype.size())
    Fail(f, "forcing row " + Str(r) + " has no row type (the header has " +
                std::to_string(pd.rtype.size()) + " rows)");
  double hi = FORINF, lo = -FORINF;
  pd.forind.clear();
  pd.forval.clear();
  for (;;) {
    int tag = cGet(f);
    if (tag == 'e') break;
    int j = Col(pd, iGet(f));
    double xval = dGet(f), a = dGet(f), cj = dGet(f);
    ForEntries(f, [&](int i, double v) { cj = cj - v * pd.y[Row(pd, i)]; });
    if (std::fabs(a) < 1e-13)
      Fail(f, "forcing row " + Str(r) + ": coefficient of column " + Str(j) +
                  " is below 1e-13 in magnitude");
    pd.x[j] = xval;
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
  int r = Row(pd, iGet(pd.fbin));
  pd.y[r] = 0;
}

// DUPROW: r, s, v
void UndoDupRow(PostData& pd) {
  InFile& f = pd.fbin;
  pd.nduprow += 1;
  int r = Row(pd, iGet(f));
  int s = Row(pd, iGet(f));
  double v = dGet(f);
  pd.y[r] = pd.y[r] - v * pd.y[s];
}

// SGLROW: r, j, xval, a, cj, entry list of column j (rows, coefficients)
void UndoSglRow(PostData& pd) {
  InFile& f = pd.fbin;
  pd.nsglrow += 1;
  int r = Row(pd, iGet(f));
  int j = Col(pd, iGet(f));
  double xval = dGet(f), a = dGet(f), cj = dGet(f);
  pd.x[j] = xval;
  double yr = cj;
  ForEntries(f, [&](int i, double v) {
    if (Row(pd, i) != r) yr = yr - v * pd.y[i];
  });
  pd.y[r] = yr / a;
  pd.z[j] = 0;
  if (a == 0)
    Warn(pd, "zero coefficient of column " + Str(j) + " in singleton row " + Str(r) +
                 "; the division carries an infinity or NaN");
}

}  // namespace

// MATRIX: nz, ncols, c[ncols], then per column: cnt, ind[cnt], val[cnt]
MatrixRead ReadMatrixAt(InFile& f, int m, int n) {
  int nz = iGet(f);
  int ncols = iGet(f);
  NeedCount(f, nz, 12, "entry count");  // an index and a value an entry
  NeedCount(f, ncols, 12, "column count");  // a cost and a count a column
  const bool checked = m >= 0;
  if (checked && ncols != n)
    Fail(f, "matrix has " + std::to_string(ncols) + " columns, the header says " + std::to_string(n));
  MatrixRead mr;
  mr.nz = nz;
  mr.c = dAlloc(static_cast<std::size_t>(ncols));
  dGetN(f, mr.c.data(), static_cast<std::size_t>(ncols));
  auto A = mAlloc(ncols, nz);
  int maxrow = -1, minrow = 0;
  std::size_t off = 0;
  for (int e = 0; e < ncols; ++e) {
    int cnt = iGet(f);
    if (cnt < 0) Fail(f, "negative entry count " + std::to_string(cnt) + " in column " + std::to_string(e));
    if (static_cast<std::size_t>(cnt) > static_cast<std::size_t>(nz) - off)
      Fail(f, "column counts add up to more than the " + std::to_string(nz) + " entries");
    SpVec& col = A->col[static_cast<std::size_t>(e)];
    col.nz = cnt;
    col.ind = A->indblk.data() + off;
    col.val = A->valblk.data() + off;
    iGetN(f, col.ind, static_cast<std::size_t>(cnt));
    dGetN(f, col.val, static_cast<std::size_t>(cnt));
    for (int q = 0; q < cnt; ++q) {
      int r = col.ind[q];
      if (checked && (r < 0 || r >= m))
        Fail(f, "row index " + std::to_string(r) + " of column " + std::to_string(e) + " outside the " +
                    std::to_string(m) + " rows");
      if (r > maxrow) maxrow = r;
      if (r < minrow) minrow = r;
    }
    off += static_cast<std::size_t>(cnt);
  }
  mr.A = std::move(A);
  mr.maxrow = maxrow;
  mr.minrow = minrow;
  return mr;
}

void StoreMatrix(PostData& pd, MatrixRead&& mr) {
  pd.nz = mr.nz;
  pd.n = mr.A->n;
  pd.c = std::move(mr.c);
  pd.A = std::move(mr.A);
  pd.maxrow = mr.maxrow;
}

// HEADER: m, n, len, name[len], rlo[m], rup[m], rtype[m], clo[n], cup[n]
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

void ReadHeader(PostData& pd) {
  InFile& f = pd.fbin;
  HeaderStart h = ReadHeaderStart(f);
  const int m = h.m, n = h.n;
  std::string name = std::move(h.name);
  name.resize(std::strlen(name.c_str()));  // a name ends at its first NUL
  pd.m = m;
  pd.n = n;
  pd.name = std::move(name);
  pd.rlo = dAlloc(static_cast<std::size_t>(m));
  pd.rup = dAlloc(static_cast<std::size_t>(m));
  pd.rtype = cAlloc(static_cast<std::size_t>(m));
  pd.clo = dAlloc(static_cast<std::size_t>(n));
  pd.cup = dAlloc(static_cast<std::size_t>(n));
  dGetN(f, pd.rlo.data(), pd.rlo.size());
  dGetN(f, pd.rup.data(), pd.rup.size());
  f.Copy(pd.rtype.data(), pd.rtype.size());
  dGetN(f, pd.clo.data(), pd.clo.size());
  dGetN(f, pd.cup.data(), pd.cup.size());
}

void PostSol(int code, PostData& pd) {
  pd.fbin.code = code;
  switch (code) {
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
