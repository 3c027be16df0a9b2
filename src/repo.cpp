// Driver, console log, activities and the report file.

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
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "report.h"

#include "numfmt.h"
#include "outfile.h"
#include "workers.h"

namespace postsolve {

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

void mTimesv(MatProduct which, int ncols, const SpMat& A, const double* v, double* out) {
  for (int i = 0; i < ncols; ++i) {
    const SpVec& col = A.col[static_cast<std::size_t>(i)];
    if (which == MatProduct::Av) {
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
    mTimesv(MatProduct::Atv, pd.n, *pd.A, pd.y.data(), pd.atyc.data());
  });
  mTimesv(MatProduct::Av, pd.n, *pd.A, pd.x.data(), pd.ax.data());
  dualSide.get();
}

// ---- report ----


namespace {

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

Field Number(double v) { return {nullptr, v}; }
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
    // With room to spare: a chunk's names vary in length, and a buffer made
    // anew is memory touched afresh, page by page.
    c.cap = need + need / 2;
    c.text.reset();
    c.text = std::make_unique_for_overwrite<char[]>(c.cap);
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
      const RowView row = ViewRow(pd, at);
      p = LineEnd(LineStart(p, number, name, row.cls.type), row.cls.lower ? Number(row.rlo) : kMinusInf,
                  Number(row.act), row.cls.upper ? Number(row.rup) : kPlusInf, Number(row.dual));
    } else {
      const ColView col = ViewColumn(pd, at);
      pd.z[at] = col.z;
      p = LineEnd(LineStart(p, number, name, col.cls.type), col.cls.lower ? Number(col.lo) : kMinusInf,
                  Number(col.x), col.cls.upper ? Number(col.up) : kPlusInf, Number(col.z));
    }
  }
  c.len = static_cast<std::size_t>(p - c.text.get());
}

// Writes one table's lines: this thread reads the names and writes finished
// chunks in order while the workers format the chunks after them.
void WriteTable(PostData& pd, AtomicFile& out, WorkerPool& workers, bool rows) {
  const int total = rows ? pd.m : pd.n;
  int first = 0;
  PipeChunks<Chunk>(
      workers,
      [&](Chunk& c) {
        if (first >= total) return false;
        c.rows = rows;
        c.first = first;
        c.count = std::min(kChunkLines, total - first);
        first += c.count;
        ReadNames(pd.fbin, c);
        return true;
      },
      [&pd](Chunk& c) { FormatChunk(pd, c); }, [&out](const Chunk& c) { out.Put({c.text.get(), c.len}); });
}

std::string TableHead(const char* last) {
  char buf[128];
  std::snprintf(buf, sizeof buf, " %-6s %-8s %4s %-13s %-13s %-13s %-13s\n", "order", "name",
                "type", "lower", "active", "upper", last);
  return buf;
}

}  // namespace

void WriteReport(PostData& pd, AtomicFile& out) {
  char buf[160];
  std::snprintf(buf, sizeof buf,
                " %10s\nNUMBER OF ROWS   : %10d\nNUMBER OF COLUMNS: %10d\n"
                "SOLUTION STATUS  : %10s\n\nROWS\n----\n",
                pd.name.c_str(), pd.m, pd.n, StatusName(pd.status));
  out.Put(kReportStart);
  out.Put(buf);
  // A table of one chunk is not worth a thread.
  WorkerPool workers(std::max(pd.m, pd.n) > kChunkLines ? WorkerPool::Cores() : 0);
  out.Put(TableHead("dual value"));
  WriteTable(pd, out, workers, true);
  out.Put("\nCOLUMNS\n-------\n");
  out.Put(TableHead("dual slack"));
  WriteTable(pd, out, workers, false);
  out.Put("\n------------------------------------ EOF ------------------------------------\n");
  // An input rewritten while it was read gives a report of neither version.
  CheckInputsUnchanged(pd);
  out.Finish();
}

std::string OutRept(PostData& pd, const std::string& dir) {
  AtomicFile out(dir.empty() ? ReportName(pd.name) : dir + "/" + ReportName(pd.name));
  WriteReport(pd, out);
  out.Commit();
  return out.path();
}

// ---- driver ----

namespace {

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

}  // namespace

void Replay(PostData& pd, const std::string& dir) {
  ReplayLog(pd, dir);
  GetActv(pd);
}

void Replay(PostData& pd, const InputBuffers& files) {
  ReplayLog(pd, files);
  GetActv(pd);
}

int RunPost() {
  const long start = GetTime();
  PrintHead();
  PostData pd;
  try {
    Replay(pd);
    AtomicFile report(ReportName(pd.name));
    WriteReport(pd, report);
    std::printf(" report file name %s\n\n", LeftDots(report.path(), 36).c_str());

    ShutDown(pd);
    PrintLog(pd, TimeInSec(start, GetTime()));
    // The log is out before the report replaces an earlier one: a run whose
    // log cannot be written leaves the earlier report in place.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
      throw PostError(std::string("standard output: write error: ") + std::strerror(errno));
    report.Commit();
    for (const std::string& w : pd.warnings.Lines()) std::fprintf(stderr, "postsolve: warning: %s\n", w.c_str());
    return pd.warnings.empty() ? 0 : 2;
  } catch (const PostError& e) {
    if (pd.badDupColFactor) std::fputs(" err data for duplicate column.\n", stdout);
    std::fflush(stdout);
    std::fprintf(stderr, "postsolve: %s\n", e.what());
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fprintf(stderr, "postsolve: out of memory\n");
  }
  return 1;
}

}  // namespace postsolve
