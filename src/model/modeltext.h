// What both model-file readers share: the file's lines (plain or gzip) with
// their numbers, one way to read a number, one way to fail with the file and
// line, and a table from names to indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "postsolve/model.h"

namespace postsolve::modelfile {

// The lines of a model file, read in blocks; a file starting with gzip's magic
// bytes is decompressed on the way. A line ends at '\n'; a '\r' before it is
// dropped. A line of any length is read whole (the buffer grows to hold it,
// so memory stays bounded by the file).
class LineSource {
 public:
  // Throws Error "PATH: cannot open: <the system's reason>".
  explicit LineSource(std::string path);
  ~LineSource();
  LineSource(const LineSource&) = delete;
  LineSource& operator=(const LineSource&) = delete;

  // The next line (valid until the next call), false at the end of the file.
  bool Next(std::string_view& line);
  long line() const { return line_; }  // the number of the line Next gave last, from 1
  const std::string& path() const { return path_; }
  bool gzipped() const { return gzipped_; }

  // Throws Error "PATH:LINE: reason" for the line Next gave last.
  [[noreturn]] void Fail(const std::string& reason) const;

 private:
  std::size_t Fill();  // appends what the file has next to buffer_; 0 at its end

  std::string path_;
  int fd_ = -1;
  void* gz_ = nullptr;  // gzFile when gzipped
  bool gzipped_ = false;
  std::vector<char> buffer_;
  std::size_t begin_ = 0, end_ = 0;  // the unread bytes of buffer_
  bool atEnd_ = false;
  long line_ = 0;
};

// "PATH:LINE: reason" (LINE left out when 0), as an Error.
[[noreturn]] void Fail(const std::string& path, long line, const std::string& reason);

// A token as an error message shows it: quoted, at most 40 bytes of it,
// bytes that are not printable ASCII as '?'.
std::string Shown(std::string_view token);

// A number as model files write it: an optional sign, digits with an optional
// point, an optional exponent written with E, e, D or d; or inf / infinity in
// any case. False for anything else, NaN included. A magnitude too large for a
// double reads as infinite, a too small one as zero (with its sign).
bool ParseNumber(std::string_view text, double& value);
// As ParseNumber, failing with the line and a reason naming the token and
// what it was meant to be ("the bound of column x").
double NumberOrFail(const LineSource& source, std::string_view text, const std::string& what);
// The reason NumberOrFail gives for a token that is not a number, for a
// reader that fails later or tries another reading first.
std::string NotANumber(std::string_view text, const std::string& what);

// Names to their indices in a vector of names that the caller owns and only
// appends to: the table holds indices, so the vector may reallocate.
class NameIndex {
 public:
  explicit NameIndex(const std::vector<std::string>& names) : names_(names) {}
  // The index of `name`, or -1.
  int Find(std::string_view name) const { return Find(name, Hash(name)); }
  // The same in two steps, for a reader with several names on a line: Hash
  // and Prefetch each (the table's memory is fetched meanwhile), then Find.
  static std::size_t Hash(std::string_view name);
  void Prefetch(std::size_t hash) const;
  int Find(std::string_view name, std::size_t hash) const;
  // Adds names[index]; returns -1, or the index that already had that name
  // (the table then keeps the earlier one).
  int Add(int index);

 private:
  // A slot holds an index and the start of its name, so that a look-up
  // touches the names only for a name longer than kHead bytes that starts
  // the same: most compare in the table's own memory.
  static constexpr std::size_t kHead = 11;
  struct Slot {
    std::int32_t index = -1;  // -1: empty
    std::uint8_t size = 0;    // the name's length, 255 for 255 or more
    char head[kHead] = {};    // its first bytes, the rest zero
  };
  static bool Starts(const Slot& slot, std::string_view name);
  bool Holds(const Slot& slot, std::string_view name) const;
  std::string_view NameOf(const Slot& slot) const;
  void Grow();

  const std::vector<std::string>& names_;
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};

// The look-ups are here, inline: a reader makes one or two a line.

inline void NameIndex::Prefetch(std::size_t hash) const {
  if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
}

inline bool NameIndex::Starts(const Slot& slot, std::string_view name) {
  if (slot.size != (name.size() < 255 ? name.size() : 255)) return false;
  for (std::size_t i = 0, n = name.size() < kHead ? name.size() : kHead; i < n; ++i)  // short: no call to memcmp
    if (slot.head[i] != name[i]) return false;
  return true;
}

inline bool NameIndex::Holds(const Slot& slot, std::string_view name) const {
  return Starts(slot, name) && (name.size() <= kHead || names_[static_cast<std::size_t>(slot.index)] == name);
}

inline int NameIndex::Find(std::string_view name, std::size_t hash) const {
  if (slots_.empty()) return -1;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t s = hash & mask;; s = (s + 1) & mask) {
    const Slot& slot = slots_[s];
    if (slot.index < 0) return -1;
    if (Holds(slot, name)) return slot.index;
  }
}

// The problem name a model without one takes: its file's name without the
// folder and without .gz, .mps, .lp, .freemps (e.g. "afiro" for dir/afiro.mps.gz).
std::string FileStem(const std::string& path);

// Finishes the matrix of a model read column by column: entries of the same
// row and column are summed (returns how many were), exact zeros are dropped
// (also a sum that gives zero). O(entries) with one marker per row.
long MergeDuplicates(Model& model);

}  // namespace postsolve::modelfile
