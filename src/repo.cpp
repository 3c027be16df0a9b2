// Driver, storage helpers, console log, activities and the report file.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/times.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <string>
#include <utility>

#include "casefile.h"
#include "numfmt.h"
#include "postdata.h"

namespace {

// Runs fn on a thread of its own, or later on the caller's when one cannot be had.
template <class T>
std::future<T> Launch(bool parallel, std::function<T()> fn) {
  if (parallel) {
    try {
      return std::async(std::launch::async, fn);
    } catch (const std::system_error&) {
    }
  }
  return std::async(std::launch::deferred, std::move(fn));
}

}  // namespace

// ---- storage helpers ----

std::vector<char> cAlloc(std::size_t count) { return std::vector<char>(count); }
std::vector<int> iAlloc(std::size_t count) { return std::vector<int>(count); }
std::vector<double> dAlloc(std::size_t count) { return std::vector<double>(count); }
void cFree(std::vector<char>& v) { std::vector<char>().swap(v); }
void iFree(std::vector<int>& v) { std::vector<int>().swap(v); }
void dFree(std::vector<double>& v) { std::vector<double>().swap(v); }

std::unique_ptr<SpMat> mAlloc(int ncols, int nz) {
  auto A = std::make_unique<SpMat>();
  if (ncols > 0) {
    A->col.resize(static_cast<std::size_t>(ncols));
    if (nz > 0) {
      A->indblk.resize(static_cast<std::size_t>(nz));
      A->valblk.resize(static_cast<std::size_t>(nz));
      A->col[0].ind = A->indblk.data();
      A->col[0].val = A->valblk.data();
    }
  }
  A->n = ncols;
  A->nz = nz;
  return A;
}

void mFree(std::unique_ptr<SpMat>& A) { A.reset(); }

int ShutDown(PostData& pd) {
  cFree(pd.rtype);
  iFree(pd.rmap);
  iFree(pd.cmap);
  for (auto* v : {&pd.xr, &pd.yr, &pd.zr, &pd.x, &pd.y, &pd.z, &pd.rlo, &pd.rup, &pd.c, &pd.clo,
                  &pd.cup, &pd.atyc, &pd.ax})
    dFree(*v);
  mFree(pd.A);
  pd.forind = {};
  pd.forval = {};
  return 1;
}

// ---- console ----

void PrintHead() {
  std::fputs(
      "\n ===============================\n"
      " POST SOLVER ( D R A V -- 1997 )\n"
      " ===============================\n\n",
      stdout);
}

std::string LeftDots(std::string_view text, std::size_t width) {
  if (text.size() >= width) return std::string(text);
  std::string out(width - text.size(), '.');
  out += text;
  return out;
}

long GetTime() {
  struct tms t {};
  ::times(&t);
  return static_cast<long>(t.tms_utime + t.tms_stime);
}

double TimeInSec(long t0, long t1) {
  static const double tick = 1.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
  return static_cast<double>(t1 - t0) * tick;
}

// ---- activities ----

void mTimesv(int trans, int ncols, const SpMat& A, const double* v, double* out) {
  for (int i = 0; i < ncols; ++i) {
    const SpVec& col = A.col[static_cast<std::size_t>(i)];
    if (trans == 0) {
      for (int e = 0; e < col.nz; ++e) out[col.ind[e]] = col.val[e] * v[i] + out[col.ind[e]];
    } else {
      double acc = out[i];
      for (int e = 0; e < col.nz; ++e) acc = col.val[e] * v[col.ind[e]] + acc;
      out[i] = acc;
    }
  }
}

void GetActv(PostData& pd) {
  pd.ax = dAlloc(static_cast<std::size_t>(pd.m));
  pd.atyc = dAlloc(static_cast<std::size_t>(pd.n));
  // The two products share only the matrix, which neither writes.
  auto dualSide = Launch<void>(pd.A->nz > (1 << 16), [&pd] {
    for (int j = 0; j < pd.n; ++j) pd.atyc[static_cast<std::size_t>(j)] = -pd.c[static_cast<std::size_t>(j)];
    mTimesv(1, pd.n, *pd.A, pd.y.data(), pd.atyc.data());
  });
  mTimesv(0, pd.n, *pd.A, pd.x.data(), pd.ax.data());
  dualSide.get();
}

// ---- report ----

namespace {

const char* StatusName(int status) {
  static const char* const names[] = {"unsolved", "optimal", "infeasible", "unbounded", "difficulty"};
  return status >= -1 && status <= 3 ? names[status + 1] : "unknown";
}

// The report under construction: a temporary file beside its final name,
// filled through a large buffer and renamed into place only when complete.
class ReportFile {
 public:
  explicit ReportFile(std::string name) : name_(std::move(name)), tmp_(name_ + ".XXXXXX") {
    fd_ = ::mkstemp(tmp_.data());
    if (fd_ < 0) Error("cannot create a temporary file");
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);  // as a plainly created file would be
    buf_ = std::make_unique_for_overwrite<char[]>(kCap);
  }
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;
  ~ReportFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!done_) ::unlink(tmp_.c_str());
  }

  void Put(std::string_view s) {
    if (len_ + s.size() > kCap || s.size() > kCap / 2) Flush();
    if (s.size() > kCap / 2) {
      WriteAll(s.data(), s.size());  // large blocks skip the buffer
      return;
    }
    std::memcpy(buf_.get() + len_, s.data(), s.size());
    len_ += s.size();
  }
  void Commit() {
    Flush();
    if (::close(fd_) != 0) {
      fd_ = -1;
      Error("write error");
    }
    fd_ = -1;
    if (::rename(tmp_.c_str(), name_.c_str()) != 0) Error("cannot rename the finished report into place");
    done_ = true;
  }

  static constexpr std::size_t kCap = std::size_t{1} << 20;

 private:
  [[noreturn]] void Error(const char* what) {
    throw PostError(name_ + ": " + what + ": " + std::strerror(errno));
  }
  void Flush() {
    WriteAll(buf_.get(), len_);
    len_ = 0;
  }
  void WriteAll(const char* p, std::size_t n) {
    while (n > 0) {
      ssize_t w = ::write(fd_, p, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        Error("write error");
      }
      p += w;
      n -= static_cast<std::size_t>(w);
    }
  }

  std::string name_, tmp_;
  int fd_ = -1;
  bool done_ = false;
  std::unique_ptr<char[]> buf_;
  std::size_t len_ = 0;
};

// One block of report lines, read and formatted apart from the others so that
// several can be formatted at once; they are written in order.
struct Chunk {
  bool rows = true;
  int first = 0, count = 0;
  std::string names;              // the lines' names, back to back
  std::vector<std::size_t> ends;  // where each name ends in `names`
  std::unique_ptr<char[]> text;
  std::size_t cap = 0;  // room in text
  std::size_t len = 0;  // used
};

constexpr int kChunkLines = 16384;
// The longest line apart from its name: number, blanks, type and four fields.
constexpr std::size_t kLineMax = 16 + 8 + 6 + 4 * (EFMT_MAX + 1) + 1;

// " %-6d %-8s  XX  " : the start of every row and column line.
char* LineStart(char* p, long number, std::string_view name, const char* type) {
  *p++ = ' ';
  char* q = FmtInt(p, number);
  while (q < p + 6) *q++ = ' ';
  *q++ = ' ';
  std::memcpy(q, name.data(), name.size());
  q += name.size();
  for (std::size_t k = name.size(); k < 8; ++k) *q++ = ' ';
  q[0] = ' ';
  q[1] = ' ';
  q[2] = type[0];
  q[3] = type[1];
  q[4] = ' ';
  q[5] = ' ';
  return q + 6;
}

// The four fields after the type: a number, or a text standing in its place
// left-aligned in 13 characters; blanks between, a newline after.
struct Field {
  const char* text;  // null: print num; else exactly 13 characters
  double num;
};

char* LineEnd(char* p, Field a, Field b, Field c, Field d) {
  bool first = true;
  for (const Field& fld : {a, b, c, d}) {
    if (!first) *p++ = ' ';
    first = false;
    if (fld.text) {
      std::memcpy(p, fld.text, 13);
      p += 13;
    } else {
      p = FmtE(p, fld.num);
    }
  }
  *p++ = '\n';
  return p;
}

Field Num(double v) { return {nullptr, v}; }
const Field kMinusInf{"-infinity    ", 0};
const Field kPlusInf{"+infinity    ", 0};

// Reads the names of the chunk's lines from the name section.
void ReadNames(InFile& f, Chunk& c) {
  c.names.clear();
  c.ends.clear();
  c.ends.reserve(static_cast<std::size_t>(c.count));
  for (int k = c.first; k < c.first + c.count; ++k) {
    c.names += NextName(f, c.rows ? "row" : "column", k);
    c.ends.push_back(c.names.size());
  }
}

// Formats the chunk's lines. Sets the dual slacks it shows: the value printed
// is recomputed from the full matrix, c - A'y = -(A'y - c).
void FormatChunk(PostData& pd, Chunk& c) {
  const std::size_t need = static_cast<std::size_t>(c.count) * kLineMax + c.names.size();
  if (c.cap < need) {
    c.text.reset();
    c.text = std::make_unique_for_overwrite<char[]>(need);
    c.cap = need;
  }
  char* p = c.text.get();
  std::size_t start = 0;
  for (int k = 0; k < c.count; ++k) {
    const std::size_t at = static_cast<std::size_t>(c.first + k);
    const std::size_t end = c.ends[static_cast<std::size_t>(k)];
    const std::string_view name(c.names.data() + start, end - start);
    start = end;
    const long number = c.first + k + 1;
    if (c.rows) {
      const Field act = Num(pd.ax[at]), dual = Num(pd.y[at]);
      switch (pd.rtype[at]) {
        case 'E':
          p = LineEnd(LineStart(p, number, name, "EQ"), Num(pd.rlo[at]), act, Num(pd.rup[at]), dual);
          break;
        case 'L':
          p = LineEnd(LineStart(p, number, name, "LE"), kMinusInf, act, Num(pd.rup[at]), dual);
          break;
        case 'G':
          p = LineEnd(LineStart(p, number, name, "GE"), Num(pd.rlo[at]), act, kPlusInf, dual);
          break;
        default:
          p = LineEnd(LineStart(p, number, name, "RG"), Num(pd.rlo[at]), act, Num(pd.rup[at]), dual);
          break;
      }
    } else {
      pd.z[at] = -pd.atyc[at];
      const double lo = pd.clo[at], up = pd.cup[at];
      const Field x = Num(pd.x[at]), z = Num(pd.z[at]);
      if (lo < -REPINF && up > REPINF) {
        p = LineEnd(LineStart(p, number, name, "FR"), kMinusInf, x, kPlusInf, z);
      } else if (lo < -REPINF) {
        p = LineEnd(LineStart(p, number, name, "UP"), kMinusInf, x, Num(up), z);
      } else if (up > REPINF) {
        p = LineEnd(LineStart(p, number, name, "LO"), Num(lo), x, kPlusInf, z);
      } else {
        p = LineEnd(LineStart(p, number, name, std::fabs(lo - up) < 1e-13 ? "FX" : "BO"), Num(lo), x,
                    Num(up), z);
      }
    }
  }
  c.len = static_cast<std::size_t>(p - c.text.get());
}

// Writes one table's lines: this thread reads the names and writes finished
// chunks in order while other threads format the chunks after them.
void WriteTable(PostData& pd, ReportFile& out, bool rows) {
  const int total = rows ? pd.m : pd.n;
  const bool parallel = total > kChunkLines;  // a small table is not worth a thread
  const std::size_t ahead = std::max(2u, std::thread::hardware_concurrency());
  std::deque<std::pair<std::unique_ptr<Chunk>, std::future<void>>> queue;
  std::vector<std::unique_ptr<Chunk>> spare;  // written chunks, their buffers reused
  auto writeFront = [&] {
    queue.front().second.get();
    const Chunk& c = *queue.front().first;
    out.Put({c.text.get(), c.len});
    spare.push_back(std::move(queue.front().first));
    queue.pop_front();
  };
  for (int first = 0; first < total; first += kChunkLines) {
    std::unique_ptr<Chunk> chunk;
    if (spare.empty()) {
      chunk = std::make_unique<Chunk>();
    } else {
      chunk = std::move(spare.back());
      spare.pop_back();
    }
    chunk->rows = rows;
    chunk->first = first;
    chunk->count = std::min(kChunkLines, total - first);
    ReadNames(pd.fbin, *chunk);
    if (queue.size() >= ahead) writeFront();
    Chunk* c = chunk.get();
    queue.emplace_back(std::move(chunk), Launch<void>(parallel, [&pd, c] { FormatChunk(pd, *c); }));
  }
  while (!queue.empty()) writeFront();
}

std::string TableHead(const char* last) {
  char buf[128];
  std::snprintf(buf, sizeof buf, " %-6s %-8s %4s %-13s %-13s %-13s %-13s\n", "order", "name",
                "type", "lower", "active", "upper", last);
  return buf;
}

}  // namespace

std::string_view NextName(InFile& f, const char* kind, int index) {
  int len = iGet(f);
  if (len < 0) Fail(f, std::string("negative length ") + std::to_string(len) + " of " + kind +
                           " name " + std::to_string(index));
  if (static_cast<std::size_t>(len) > f.left())
    Fail(f, std::string("short read: ") + kind + " name " + std::to_string(index) + " of " +
                std::to_string(len) + " bytes at offset " + std::to_string(f.pos) +
                " runs past the end of the file");
  const char* p = reinterpret_cast<const char*>(f.Bytes(static_cast<std::size_t>(len)));
  f.pos += static_cast<std::size_t>(len);
  const void* nul = std::memchr(p, 0, static_cast<std::size_t>(len));
  return {p, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p)
                 : static_cast<std::size_t>(len)};
}

std::string ReportName(std::string_view problem) {
  if (problem.empty()) return "dravfile.rpt";
  std::string name(problem);
  for (char& ch : name)
    if (ch == '/') ch = '_';  // the report always lands in the working directory
  return name + ".rpt";
}

std::string OutRept(PostData& pd) {
  const std::string fname = ReportName(pd.name);
  ReportFile out(fname);

  char buf[160];
  std::snprintf(buf, sizeof buf,
                "INPUT FILE NAME  : %10s\nNUMBER OF ROWS   : %10d\nNUMBER OF COLUMNS: %10d\n"
                "SOLUTION STATUS  : %10s\n\nROWS\n----\n",
                pd.name.c_str(), pd.m, pd.n, StatusName(pd.status));
  out.Put(buf);
  out.Put(TableHead("dual value"));
  WriteTable(pd, out, true);
  out.Put("\nCOLUMNS\n-------\n");
  out.Put(TableHead("dual slack"));
  WriteTable(pd, out, false);
  out.Put("\n------------------------------------ EOF ------------------------------------\n");
  out.Commit();
  return fname;
}

// ---- driver ----

namespace {

// Reduced solution: status, nc, nr, then x[nc], y[nr], z[nc].
void ReadSolution(PostData& pd, InFile f) {
  int status = iGet(f);
  int nc = iGet(f);
  int nr = iGet(f);
  NeedCount(f, nc, 0, "column count");
  NeedCount(f, nr, 0, "row count");
  pd.status = status;
  pd.nc = nc;
  pd.nr = nr;
  if ((nc == 0) != (nr == 0) && f.left() == 0) {
    // Nothing but the counts: the values stay zero, but a reduced problem with
    // columns (or rows) had values the solver should have written.
    pd.warnings.push_back(std::string(SOLFILE) + ": the reduced problem has " + std::to_string(nc) +
                          " columns and " + std::to_string(nr) +
                          " rows but the file holds no values; they are taken as zero");
    return;
  }
  if (nc == 0 && nr == 0) return;
  NeedCount(f, static_cast<std::int64_t>(nc) * 16 + static_cast<std::int64_t>(nr) * 8, 1,
            "solution size");
  pd.xr = dAlloc(static_cast<std::size_t>(nc));
  pd.yr = dAlloc(static_cast<std::size_t>(nr));
  pd.zr = dAlloc(static_cast<std::size_t>(nc));
  dGetN(f, pd.xr.data(), pd.xr.size());
  dGetN(f, pd.yr.data(), pd.yr.size());
  dGetN(f, pd.zr.data(), pd.zr.size());
}

// Offset stack: offsets[count], then count.
std::vector<int> ReadOffsets(InFile f) {
  if (f.size < 4) Fail(f, "short read: the file holds no record count");
  f.seek(f.size - 4);
  int count = iGet(f);
  if (count < 1) Fail(f, "record count " + std::to_string(count) + " is below 1");
  f.seek(0);
  NeedCount(f, static_cast<std::int64_t>(count) + 1, 4, "record count");
  std::vector<int> offsets = iAlloc(static_cast<std::size_t>(count) + 1);
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
      Fail(f, "records " + std::to_string(byOffset[k - 1].second) + " and " +
                  std::to_string(byOffset[k].second) + " both start at offset " +
                  std::to_string(byOffset[k].first));
  return offsets;
}

// Positions the record file at record `index` and returns its code.
int EnterRecord(InFile& f, long index, int offset) {
  if (offset < 0 || static_cast<std::size_t>(offset) + 4 > f.size) {
    f.leave();
    Fail(f, "record " + std::to_string(index) + ": offset " + std::to_string(offset) +
                " outside the record file of " + std::to_string(f.size) + " bytes");
  }
  f.enter(index, static_cast<std::size_t>(offset));
  f.seek(static_cast<std::size_t>(offset));
  int code = iGet(f);
  f.code = code;
  return code;
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

void PrintLog(const PostData& pd, double secs) {
  struct Line {
    const char* format;
    int count;
    std::size_t width;
  };
  const Line lines[] = {
      {" dominated column passes %s\n", pd.ndomcol, 29}, {" duplicate column passes %s\n", pd.ndupcol, 29},
      {" fixed column passes %s\n", pd.nfixcol, 33},     {" null column passes %s\n", pd.nnulcol, 34},
      {" lower bound passes %s\n", pd.nlowbnd, 34},      {" minus bound passes %s\n", pd.nminbnd, 34},
      {" doubleton row passes %s\n", pd.ndblrow, 32},    {" dominated row passes %s\n", pd.ndomrow, 32},
      {" duplicate row passes %s\n", pd.nduprow, 32},    {" forcing row passes %s\n", pd.nforrow, 34},
      {" null row passes %s\n", pd.nnulrow, 37},         {" singleton row passes %s\n", pd.nsglrow, 32},
  };
  long total = 0;
  char num[48];
  for (const Line& line : lines) {
    std::snprintf(num, sizeof num, " %d", line.count);
    std::printf(line.format, LeftDots(num, line.width).c_str());
    total += line.count;
  }
  std::snprintf(num, sizeof num, " %ld", total);
  std::printf(" number of total passes %s\n\n", LeftDots(num, 30).c_str());
  std::snprintf(num, sizeof num, " %.2f sec", secs);
  std::printf(" elapse time %s\n\n", LeftDots(num, 41).c_str());
  std::fputs(" ================= END OF POSTSOLVER =================\n\n", stdout);
}

// Undoes the records of pd.fbin, newest first, then computes activities and dual slacks.
void ReplayRecords(PostData& pd, const std::vector<int>& offsets) {
  const long count = static_cast<long>(offsets.size()) - 1;
  // Records must not overlap: one that reads into the record after it in the
  // file is corrupt. This also bounds the whole replay by the file's size.
  std::vector<int> starts(offsets.begin(), offsets.end() - 1);
  if (!std::is_sorted(starts.begin(), starts.end())) std::sort(starts.begin(), starts.end());
  auto checkEnd = [&](long i) {
    auto next = std::upper_bound(starts.begin(), starts.end(), offsets[static_cast<std::size_t>(i)]);
    if (next != starts.end() && pd.fbin.pos > static_cast<std::size_t>(*next))
      Fail(pd.fbin, "it runs into the record at offset " + std::to_string(*next));
  };

  // Presolvers write the matrix right after the header, and only the products
  // use it: in a large file, read it on a second thread, unchecked, while the
  // header and the records after the matrix are replayed. It is taken up when
  // the replay reaches it; if it is at all out of order it is read again there,
  // in turn, so any failure surfaces in replay order with its usual message.
  InFile side;
  std::future<MatrixRead> early;
  if (count > 2 && pd.fbin.size > InFile::kWindow && offsets[1] >= 0 &&
      static_cast<std::size_t>(offsets[1]) + 4 <= pd.fbin.size) {
    side = pd.fbin.Reopen();
    if (EnterRecord(side, 1, offsets[1]) == MATRIX)
      early = Launch<MatrixRead>(true, [&side] { return ReadMatrixAt(side, -1, 0); });
  }

  // The header first: its dimensions and row types check everything after it.
  if (EnterRecord(pd.fbin, 0, offsets[0]) != HEADER) Fail(pd.fbin, "the first record is not HEADER");
  ReadHeader(pd);
  checkEnd(0);
  // Replayed again last, record 0 would read the same bytes into the same
  // arrays: unless another HEADER record came in between, skip to its end.
  const std::size_t headerEnd = pd.fbin.pos;
  bool headerAsRead = true;

  for (long i = count - 1; i >= 0; --i) {
    int code = EnterRecord(pd.fbin, i, offsets[static_cast<std::size_t>(i)]);
    if (i == 0 && headerAsRead) {
      pd.fbin.seek(headerEnd);
    } else if (i == 1 && early.valid()) {
      std::optional<MatrixRead> mr;
      try {
        mr = early.get();
      } catch (const PostError&) {
      } catch (const std::bad_alloc&) {
      }
      if (mr && mr->A->n == pd.n && mr->minrow >= 0 && mr->maxrow < pd.m) {
        StoreMatrix(pd, std::move(*mr));
        pd.fbin.seek(side.pos);
      } else {
        mr.reset();
        PostSol(code, pd);
      }
    } else {
      if (code == HEADER) headerAsRead = false;
      PostSol(code, pd);
    }
    checkEnd(i);
  }
  // Record 0, replayed last, leaves the file at the name section.
  CheckReplayed(pd);
}

}  // namespace

void ReplayLog(PostData& pd) {
  ReadSolution(pd, OpenIn(SOLFILE));
  const std::vector<int> offsets = ReadOffsets(OpenIn(STKFILE));
  pd.fbin = OpenIn(BINFILE);
  ReplayRecords(pd, offsets);
}

void ReplayLog(PostData& pd, const CaseFiles& files) {
  ReadSolution(pd, MemIn(SOLFILE, files.sol));
  const std::vector<int> offsets = ReadOffsets(MemIn(STKFILE, files.stk));
  pd.fbin = MemIn(BINFILE, files.bin);
  ReplayRecords(pd, offsets);
}

void Replay(PostData& pd) {
  ReplayLog(pd);
  GetActv(pd);
}

void Replay(PostData& pd, const CaseFiles& files) {
  ReplayLog(pd, files);
  GetActv(pd);
}

int RunPost() {
  const long start = GetTime();
  PrintHead();
  try {
    PostData pd;
    Replay(pd);
    const std::string report = OutRept(pd);
    std::printf(" report file name %s\n\n", LeftDots(report, 36).c_str());

    pd.fbin = InFile();
    ShutDown(pd);
    PrintLog(pd, TimeInSec(start, GetTime()));
    if (std::fflush(stdout) != 0) throw PostError("standard output: write error");
    for (const std::string& w : pd.warnings) std::fprintf(stderr, "postsolve: warning: %s\n", w.c_str());
    return pd.warnings.empty() ? 0 : 2;
  } catch (const PostError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "postsolve: %s\n", e.what());
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fprintf(stderr, "postsolve: out of memory\n");
  }
  return 1;
}
