// The state of the postsolver: the problem, the solution being rebuilt and
// the storage helpers every stage allocates through.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "infile.h"

namespace postsolve {

// The limits beyond which a value counts as infinite. They differ on purpose,
// each is the one its use was recorded with:
inline constexpr double INFBND = 1e29;     // a duplicate column's bound beyond this is infinite
inline constexpr double INFVAL = 1e30;     // the replay's own infinity; also where a forcing
                                           // row's dual interval counts as open
inline constexpr double REPINF = 9.99e29;  // a column bound beyond this shows as infinity in the report

// One column of the sparse matrix: a slice of the matrix's shared blocks.
struct SpVec {
  int nz = 0;
  int* ind = nullptr;
  double* val = nullptr;
};

// Column-wise sparse matrix; the columns' slices lie one after another in
// `indblk`/`valblk`, which the MATRIX record fills (they start uninitialised).
struct SpMat {
  int n = 0;
  int nz = 0;
  BulkVector<SpVec> col;
  BulkVector<int> indblk;
  BulkVector<double> valblk;
};

// Degenerate data the replay met, for printing when the run completes. Of
// each kind the first kKept messages are kept and the rest only counted, so
// that neither the memory nor the printout grows with their number; a
// debugging tool sets keepAll to have every one.
class Warnings {
 public:
  static constexpr std::size_t kKept = 10;
  bool keepAll = false;

  // `kind` names the warnings alike in the count line: "duplicate-column interval".
  void Add(const char* kind, std::string text);
  bool empty() const { return total_ == 0; }
  std::size_t size() const { return total_; }  // all that were met
  const std::string& operator[](std::size_t i) const { return kept_[i]; }
  auto begin() const { return kept_.begin(); }
  auto end() const { return kept_.end(); }
  // The kept messages in the order met, then for every kind that had more
  // than were kept, "... and N more KIND warnings".
  std::vector<std::string> Lines() const;

 private:
  struct Kind {
    const char* name;
    std::size_t count;
  };
  std::vector<std::string> kept_;
  std::vector<Kind> kinds_;  // a handful, in the order first met
  std::size_t total_ = 0;
};

struct PostData {
  std::string name;  // problem name, at most 19 bytes, ends at its first NUL
  BulkVector<char> rtype;
  int status = 0;
  int rmapn = 0;
  int cmapn = 0;
  int m = 0;
  int n = 0;
  int nz = 0;
  BulkVector<int> rmap;
  BulkVector<int> cmap;
  int ndomcol = 0, ndupcol = 0, nfixcol = 0, nnulcol = 0, nlowbnd = 0, nminbnd = 0;
  int ndblrow = 0, ndomrow = 0, nduprow = 0, nforrow = 0, nnulrow = 0, nsglrow = 0;
  BulkVector<double> xr, yr, zr;
  BulkVector<double> x, y, z;
  BulkVector<double> rlo, rup, c, clo, cup;
  BulkVector<double> atyc, ax;
  std::unique_ptr<SpMat> A;

  // Beyond the problem itself:
  int nc = 0, nr = 0;  // column and row counts of the reduced problem
  bool colmapped = false, rowmapped = false;  // COLMAP / ROWMAP replayed
  int maxrow = -1;     // largest row index in the matrix
  InFile fbin;         // the record file, shared by the replay and the report
  // Input files read from disk, as they were when opened: checked again
  // before the report is put in place.
  std::vector<std::pair<std::string, FileStamp>> opened;
  Warnings warnings;                  // degenerate data met; printed when the run completes
  // A duplicate column's factor too small to divide by: the replay failed on
  // it, and the program says so on standard output before its error line.
  bool badDupColFactor = false;
  std::vector<int> forind;            // forcing-row scratch: column indices
  std::vector<double> forval;         // and their coefficients in the row
};

// Storage helpers: zero counts give no block, blocks are zero-filled (large
// ones populated in bulk, see bulkmem.h),
// exhausted memory throws std::bad_alloc (reported by the driver).
BulkVector<char> cAlloc(std::size_t count);
BulkVector<int> iAlloc(std::size_t count);
BulkVector<double> dAlloc(std::size_t count);
void cFree(BulkVector<char>& v);
void iFree(BulkVector<int>& v);
void dFree(BulkVector<double>& v);
std::unique_ptr<SpMat> mAlloc(int ncols, int nz);
void mFree(std::unique_ptr<SpMat>& A);
// Fails, naming the file, when an input read from disk has changed since it
// was opened: what was read may then mix its old and new contents.
void CheckInputsUnchanged(const PostData& pd);
// Frees everything the state holds; returns 1, as every storage release does.
int ShutDown(PostData& pd);

}  // namespace postsolve
