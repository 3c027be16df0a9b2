// The presolve log, written: for a presolver that wants its reductions undone
// by postsolve. Records go into the record file in the order they are
// written; the replay undoes them newest first. A log is
//
//   Header (first, once: the full problem's bounds, row types and names)
//   Matrix (the full problem's costs and columns)
//   one record per reduction, in the order the presolver made them
//   ColMap, RowMap (last, so that they are undone first: full index ->
//                   reduced index, negative for one not in the reduced problem)
//
// and the reduced problem's solution goes into the solution file. Indices
// are 0-based: j, k columns and r, s rows of the full problem. The log's
// infinity is 1e30: an infinite bound given here (in Header, DuplicateColumn
// and DoubletonRow) is written as +-1e30.
// Payload meanings are in docs/formats.md.
//
// Every argument is checked as it comes in, and Error thrown naming the call
// and the argument: NaN anywhere, an infinite number where the log needs a
// finite one (anything but a bound), an index outside the Header's rows or
// columns, a forcing row's tag other than 'l' or 'u', a map that is not one
// to one or not one entry a row or column, k == j in DuplicateColumn (r == s
// in DuplicateRow, j == k in DoubletonRow), a reduced solution shorter than
// the maps say. A refused call writes nothing.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace postsolve {

// A sparse row or column: (index, coefficient) pairs.
using Entries = std::vector<std::pair<int, double>>;

// One column a forcing row fixed: `tag` 'l' or 'u' says at which of the
// row's bounds it was forced.
struct ForcedColumn {
  char tag = 'l';
  int j = 0;
  double xval = 0, a = 0, cj = 0;
  Entries column;  // column j's entries (rows, coefficients)
};

// The reduced problem's solution: x and z have one entry a reduced column, y
// one a reduced row.
struct ReducedSolution {
  int status = -1;  // a postsolve::Status code; unsolved until set
  std::vector<double> x, y, z;
};

class LogWriter {
 public:
  // For a writer whose reductions come before it can spare the Header's data
  // (a presolver that lets go of its working copy first): the Header's row
  // and column counts, given before any record. The reductions written next
  // are checked against them and held back; Header, with the same counts,
  // then Matrix, written later, go in front of them. Until the Matrix is
  // written the log is not whole, and its bytes and stack are refused.
  // `entries`, the Matrix's, lets the Header take room for the whole log at
  // once (it need not be exact).
  void HeaderLater(int rows, int cols, std::size_t entries = 0);
  // Record 0; the names (one per row, one per column) follow its payload.
  // rtype has one byte a row: E, L, G, anything else a range row.
  void Header(std::string_view name, const std::vector<double>& rlo, const std::vector<double>& rup,
              std::string_view rtype, const std::vector<double>& clo, const std::vector<double>& cup,
              const std::vector<std::string>& rowNames, const std::vector<std::string>& colNames);
  // Costs and the columns of the full matrix.
  void Matrix(const std::vector<double>& c, const std::vector<Entries>& columns);
  // The same in compressed columns: column j's entries are [start[j],
  // start[j + 1]) of index (rows) and value; start has c.size() + 1 entries.
  void Matrix(const std::vector<double>& c, const std::vector<int>& start, const std::vector<int>& index,
              const std::vector<double>& value);
  void ColMap(const std::vector<int>& map);
  void RowMap(const std::vector<int>& map);

  // The reductions, one record each.
  void DominatedColumn(int j, double xval, double cj, const Entries& column);
  void FixedColumn(int j, double xval, double cj, const Entries& column);
  void DuplicateColumn(int k, int j, double alpha, double lok, double upk, double loj, double upj);
  void NullColumn(int j, double xval, double zval);
  void LowerBound(int j, double l);  // a lower bound shifted out
  void MinusBound(int j, double u);  // an upper-bounded column reflected
  // Doubleton row r eliminated column j; flo/fup say whether lo/up were
  // bounds of x_k the row implied. columnK (column k's entries) is read only
  // when x_k ends at a flagged bound; otherwise it may be empty.
  void DoubletonRow(int r, int j, int k, double b, double aj, double ak, double cj, double ck, bool flo,
                    double lo, bool fup, double up, const Entries& columnK);
  void DominatedRow(int r, int j, double b, double a, double cj, const Entries& row);
  void DuplicateRow(int r, int s, double factor);
  void ForcingRow(int r, const std::vector<ForcedColumn>& columns);
  void NullRow(int r);
  void SingletonRow(int r, int j, double xval, double a, double cj, const Entries& column);

  long records() const { return static_cast<long>(offsets_.size() + laterOffsets_.size()); }
  // The records written so far with the given record code (docs/formats.md:
  // the Header's is 7, a forcing row's 10); 0 for a code out of range.
  long count(int code) const;
  // The record file's bytes so far (dravfile.bin).
  const std::string& recordBytes() const {
    RequireWhole("recordBytes");
    return bin_;
  }
  // The record file's bytes moved out, for a caller done writing: the
  // writer is left with an empty record file and must not be written to.
  std::string TakeRecordBytes() {
    RequireWhole("TakeRecordBytes");
    return std::move(bin_);
  }
  // The offset stack for the records so far (dravfile.stk).
  std::string stackBytes() const;
  // Writes dir/dravfile.bin, .stk and .sol (the last from `reduced`) as one
  // transaction on DIR's result.
  void Save(const std::string& dir, const ReducedSolution& reduced) const;

 private:
  static constexpr int kCodes = 16;  // record codes run from 0 to 15
  void Start(int code);  // opens a record at the end of the file, writes its code and counts it
  void RequireWhole(const char* call) const;  // refuses while the Header and Matrix are still to come
  bool SizesKnown() const { return header_ || later_; }
  void Reserve(std::size_t bytes);  // room for a record of about `bytes` (the Header's, the Matrix's)
  // j, xval, cj and the column's entries of a record that fixes a column.
  void CheckColumnRecord(const char* call, int j, double xval, double cj, const Entries& column) const;
  // Name k of the Header's rows then columns, read back from the record
  // file for a message.
  std::string HeaderName(std::size_t k) const;
  int rows_ = 0, cols_ = 0;              // the Header's
  bool header_ = false;                  // the Header is written
  bool later_ = false;                   // HeaderLater: the Header and Matrix are still to come
  std::string laterBin_;                 // the records held back for them, and their offsets there
  std::vector<int> laterOffsets_;
  std::size_t laterEntries_ = 0;         // the Matrix's entries, as HeaderLater expects them
  std::size_t namesAt_ = 0;              // where the Header's names start in bin_
  long colMapTop_ = -1, rowMapTop_ = -1;  // the highest reduced index each map gives
  std::string bin_;
  std::vector<int> offsets_;
  std::array<long, kCodes> counts_{};
};

// The solution file's bytes (dravfile.sol).
std::string SolutionFileBytes(const ReducedSolution& reduced);

}  // namespace postsolve
