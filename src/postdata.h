// Shared state of the postsolver: the problem, the solution being rebuilt,
// the record codes, the tolerances and the helpers every stage uses.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Record codes: the int32 that starts every record of the record file.
enum RecCode : int {
  DOMCOL = 0, DUPCOL = 1, FIXCOL = 2, NULCOL = 3, LOWBND = 4, MATRIX = 5,
  MINBND = 6, HEADER = 7, DBLROW = 8, DOMROW = 9, FORROW = 10, NULROW = 11,
  DUPROW = 12, SGLROW = 13, COLMAP = 14, ROWMAP = 15
};
inline constexpr int NCODES = 16;
// Six-letter name of a code, or "code <n>" outside the table.
std::string CodeName(int code);

inline constexpr double INFBND = 1e29;   // bound beyond this is infinite (duplicate columns)
inline constexpr double INFVAL = 1e30;   // replay's own infinity, forcing-row finiteness limit
inline constexpr double REPINF = 9.99e29;  // column bound beyond this is infinite in the report
inline constexpr double FORINF = 1e40;   // start of the forcing-row dual interval

inline constexpr const char* SOLFILE = "dravfile.sol";
inline constexpr const char* STKFILE = "dravfile.stk";
inline constexpr const char* BINFILE = "dravfile.bin";
inline constexpr int MAXNAME = 19;  // longest problem name

// The one failure path: thrown anywhere, printed by the driver as
// "postsolve: <what>" on standard error, exit status 1.
class PostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An input file read front to back, or at any offset, through cGet/iGet/dGet.
// Every read is bounds-checked; a failure names the file and, while a record is
// being read, the record's index, code and offset. A file on disk is read
// through a window of at most kWindow bytes, and bulk reads go straight into
// their destination, so a large file is never held whole in memory.
class InFile {
 public:
  std::string path;
  std::size_t size = 0;  // bytes in the file
  std::size_t pos = 0;   // next byte to read
  long rec = -1;         // index of the record being read, -1 outside records
  std::optional<int> code;  // its code, once read
  std::size_t recoff = 0;

  static constexpr std::size_t kWindow = std::size_t{1} << 20;

  InFile() = default;
  InFile(InFile&& other) noexcept;
  InFile& operator=(InFile&& other) noexcept;
  InFile(const InFile&) = delete;
  InFile& operator=(const InFile&) = delete;
  ~InFile();

  std::size_t left() const { return size - pos; }
  void seek(std::size_t off) { pos = off; }
  // Context for messages about the record starting at `off`.
  void enter(long index, std::size_t off) { rec = index; recoff = off; code.reset(); }
  void leave() { rec = -1; code.reset(); }

  // The `n` bytes at pos, which the caller has checked lie inside the file;
  // valid until the next read.
  const unsigned char* Bytes(std::size_t n) {
    if (pos >= winoff_ && pos + n <= winoff_ + winlen_) return buf_.get() + (pos - winoff_);
    return Refill(n);
  }
  // Copies the `n` bytes at pos to `out` and moves past them.
  void Copy(void* out, std::size_t n);
  // A second reader of the same file, with a position of its own, for
  // reading two parts of it on two threads.
  InFile Reopen() const;

 private:
  friend InFile OpenIn(const std::string& path);
  friend InFile MemIn(std::string path, std::string_view bytes);
  void Load(std::size_t start, std::size_t n, unsigned char* out);
  const unsigned char* Refill(std::size_t n);

  int fd_ = -1;  // -1: the whole file is in buf_
  std::shared_ptr<unsigned char[]> buf_;  // shared only by readers of a file in memory
  std::size_t cap_ = 0;     // bytes buf_ holds room for
  std::size_t winoff_ = 0;  // file offset of buf_[0]
  std::size_t winlen_ = 0;  // valid bytes in buf_
};

// Opens a regular file for reading; a missing or unreadable file is a failure.
InFile OpenIn(const std::string& path);
// A file whose bytes are already in memory, named `path` in messages.
InFile MemIn(std::string path, std::string_view bytes);
[[noreturn]] void Fail(const InFile& f, const std::string& why);
// Checks that `count` items of `each` bytes can still be read; a negative count
// or one the rest of the file cannot hold is a failure, before anything is allocated.
void NeedCount(const InFile& f, std::int64_t count, std::int64_t each, const char* what);

// Fails with "short read" for `bytes` wanted at f.pos.
[[noreturn]] void ShortRead(const InFile& f, std::size_t bytes);

// One little-endian value of type T at f.pos; the file's byte order is fixed.
template <class T>
T GetLE(InFile& f) {
  if (f.left() < sizeof(T)) ShortRead(f, sizeof(T));
  T v;
  std::memcpy(&v, f.Bytes(sizeof(T)), sizeof(T));
  f.pos += sizeof(T);
  if constexpr (std::endian::native == std::endian::big) {
    auto bytes = std::bit_cast<std::array<unsigned char, sizeof(T)>>(v);
    std::reverse(bytes.begin(), bytes.end());
    v = std::bit_cast<T>(bytes);
  }
  return v;
}

// One byte, as a signed character value.
inline int cGet(InFile& f) { return GetLE<signed char>(f); }
// One little-endian int32.
inline int iGet(InFile& f) { return GetLE<std::int32_t>(f); }
// One little-endian IEEE double.
inline double dGet(InFile& f) { return GetLE<double>(f); }
void iGetN(InFile& f, int* out, std::size_t count);
void dGetN(InFile& f, double* out, std::size_t count);

// One column of the sparse matrix: a slice of the matrix's shared blocks.
struct SpVec {
  int nz = 0;
  int* ind = nullptr;
  double* val = nullptr;
};

// Leaves new elements uninitialised: for blocks that are read straight over,
// where zero-filling first would only cost a pass over the memory.
template <class T>
struct ReadOverAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = ReadOverAllocator<U>;
  };
  ReadOverAllocator() = default;
  template <class U>
  ReadOverAllocator(const ReadOverAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// Column-wise sparse matrix; the columns' slices lie one after another in
// `indblk`/`valblk`, which the MATRIX record fills (they start uninitialised).
struct SpMat {
  int n = 0;
  int nz = 0;
  std::vector<SpVec> col;
  std::vector<int, ReadOverAllocator<int>> indblk;
  std::vector<double, ReadOverAllocator<double>> valblk;
};

struct PostData {
  std::string name;  // problem name, at most 19 bytes, ends at its first NUL
  std::vector<char> rtype;
  int status = 0;
  int rmapn = 0;
  int cmapn = 0;
  int m = 0;
  int n = 0;
  int nz = 0;
  std::vector<int> rmap;
  std::vector<int> cmap;
  int ndomcol = 0, ndupcol = 0, nfixcol = 0, nnulcol = 0, nlowbnd = 0, nminbnd = 0;
  int ndblrow = 0, ndomrow = 0, nduprow = 0, nforrow = 0, nnulrow = 0, nsglrow = 0;
  std::vector<double> xr, yr, zr;
  std::vector<double> x, y, z;
  std::vector<double> rlo, rup, c, clo, cup;
  std::vector<double> atyc, ax;
  std::unique_ptr<SpMat> A;

  // Beyond the problem itself:
  int nc = 0, nr = 0;  // column and row counts of the reduced problem
  bool colmapped = false, rowmapped = false;  // COLMAP / ROWMAP replayed
  int maxrow = -1;     // largest row index in the matrix
  InFile fbin;         // the record file, shared by the replay and the report
  std::vector<std::string> warnings;  // degenerate data met; printed when the run completes
  std::vector<int> forind;            // forcing-row scratch: column indices
  std::vector<double> forval;         // and their coefficients in the row
};

// Storage helpers: zero counts give no block, blocks are zero-filled,
// exhausted memory throws std::bad_alloc (reported by the driver).
std::vector<char> cAlloc(std::size_t count);
std::vector<int> iAlloc(std::size_t count);
std::vector<double> dAlloc(std::size_t count);
void cFree(std::vector<char>& v);
void iFree(std::vector<int>& v);
void dFree(std::vector<double>& v);
std::unique_ptr<SpMat> mAlloc(int ncols, int nz);
void mFree(std::unique_ptr<SpMat>& A);
int ShutDown(PostData& pd);

// Record replay.
void PostSol(int code, PostData& pd);
void ReadHeader(PostData& pd);
// HEADER's leading fields, checked against what the file can hold: the sizes,
// and the name as stored (its len bytes); the arrays follow at f.pos.
struct HeaderStart {
  int m = 0, n = 0;
  std::string name;
};
HeaderStart ReadHeaderStart(InFile& f);
// A MATRIX record's payload, read apart from the state so that it can be read
// on a second thread; m and n are the header's, which it is checked against,
// or m < 0 to read it unchecked (the caller checks n, minrow and maxrow).
struct MatrixRead {
  int nz = 0;
  std::vector<double> c;
  std::unique_ptr<SpMat> A;
  int maxrow = -1, minrow = 0;
};
MatrixRead ReadMatrixAt(InFile& f, int m, int n);
void StoreMatrix(PostData& pd, MatrixRead&& mr);
// The interval [L, U] a duplicate column's value is chosen from, when the
// merged column's value is s; empty when L > U.
std::pair<double, double> DupColInterval(double s, double alpha, double lok, double upk, double loj,
                                         double upj);

// Activities, dual slacks and the report.
void mTimesv(int trans, int ncols, const SpMat& A, const double* v, double* out);
// Row activities into ax and A'y - c into atyc (both allocated here).
void GetActv(PostData& pd);
// Writes the report atomically; returns its file name.
std::string OutRept(PostData& pd);
std::string ReportName(std::string_view problem);

// Console.
void PrintHead();
std::string LeftDots(std::string_view text, std::size_t width);
long GetTime();
double TimeInSec(long t0, long t1);

// Reads the three files in the current directory and undoes every record;
// leaves fbin at the name section.
void ReplayLog(PostData& pd);
// The same over files already in memory.
struct CaseFiles;
void ReplayLog(PostData& pd, const CaseFiles& files);
// ReplayLog, then GetActv: everything the report needs.
void Replay(PostData& pd);
void Replay(PostData& pd, const CaseFiles& files);
// Reads the next name of the name section (an int32 length, then the bytes);
// it ends at its first NUL. Valid until the next read of f.
std::string_view NextName(InFile& f, const char* kind, int index);
// The whole run in the current directory; returns the exit status
// (0 clean, 1 failed, 2 completed with warnings).
int RunPost();
