// What both model-file readers share: the file's lines (plain or gzip) with
// their numbers, one way to read a number, one way to fail with the file and
// line, and a table from names to indices.
#pragma once

#include <array>
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
  // The next line if the buffer holds the whole of it, else false (and Next
  // reads on): lines taken so are all valid until the next call of Next, so
  // a reader can gather several before it looks at them.
  bool Buffered(std::string_view& line);
  long line() const { return line_; }  // the number of the line Next gave last, from 1
  const std::string& path() const { return path_; }
  bool gzipped() const { return gzipped_; }
  // The file's length, or what a gzipped one says it holds (modulo 2^32):
  // a guess at how much there is to read, for reserving room.
  std::size_t expected() const { return expected_; }

  // Throws Error "PATH:LINE: reason" for the line Next gave last.
  [[noreturn]] void Fail(const std::string& reason) const;

 private:
  std::size_t Fill();  // appends what the file has next to buffer_; 0 at its end
  // The line from begin_ to stop (without a '\r' before it); reading goes on at next.
  std::string_view Cut(std::size_t stop, std::size_t next);

  std::string path_;
  int fd_ = -1;
  void* gz_ = nullptr;  // gzFile when gzipped
  bool gzipped_ = false;
  std::size_t expected_ = 0;
  // Not zeroed: only what the file gave is read, and a small file's read
  // touches only the pages it fills.
  std::unique_ptr<char[]> buffer_;
  std::size_t size_ = 0;             // of buffer_
  std::size_t begin_ = 0, end_ = 0;  // the unread bytes of buffer_
  bool atEnd_ = false;
  long line_ = 0;
};

// The bytes that part MPS fields: space, tab, CR, VT and FF. A name written
// to MPS holds none of them (nor a newline). By table: every byte of a file
// passes through here.
inline constexpr std::array<bool, 256> kMpsBlanks = [] {
  std::array<bool, 256> blanks{};
  for (const unsigned char b : {' ', '\t', '\r', '\v', '\f'}) blanks[b] = true;
  return blanks;
}();
inline bool IsMpsBlank(char c) { return kMpsBlanks[static_cast<unsigned char>(c)]; }

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
// The same for a token of an earlier line (a reader that looks ahead across lines).
double NumberOrFail(const std::string& path, long line, std::string_view text, const std::string& what);
// The reason NumberOrFail gives for a token that is not a number, for a
// reader that fails later or tries another reading first.
std::string NotANumber(std::string_view text, const std::string& what);

// Whether `text` is `lower` in any mix of cases (`lower` is written in lower case).
bool SameLetters(std::string_view text, std::string_view lower);

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
  void Prefetch(std::size_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[Home(Top(hash))]);
  }
  int Find(std::string_view name, std::size_t hash) const;
  // Adds names[index]; returns -1, or the index that already had that name
  // (the table then keeps the earlier one).
  int Add(int index);
  // Adds names[first] and every name after it; returns -1, or the lowest
  // index among them whose name the table or an earlier one of them already
  // had (the others are added all the same). The names go in the table's
  // order, so that its memory is walked through rather than fetched name by
  // name.
  int AddAll(int first);
  // Frees the table: Find finds nothing after it, Add starts a new one.
  void Release() {
    std::vector<Slot>().swap(slots_);
    shift_ = 31;
    used_ = 0;
  }

 private:
  // A slot holds the top 31 bits of the name's hash, whether the name is
  // long, and its first 8 bytes beside its index: 16 bytes. A short name (at
  // most 8 bytes, none of them 0) is its first 8 bytes padded with zeros, so
  // it is found without reading names_; nearly every mismatch of a long one
  // is told apart without it; and the table grows without hashing a name
  // again.
  struct Slot {
    std::int32_t at = -1;  // -1: empty
    std::uint32_t tag = 0;  // the hash's top 31 bits, then 1 for a long name
    std::uint64_t head = 0;
  };
  static constexpr std::size_t kMostSlots = std::size_t{1} << 31;  // more than any index
  static std::uint32_t Top(std::size_t hash) { return static_cast<std::uint32_t>(hash >> 33); }
  static Slot Key(std::string_view name, int at, std::size_t hash);
  bool Same(const Slot& slot, const Slot& key, std::string_view name) const;
  void Grow();
  // At most three quarters full: a probe compares hashes first, so a longer
  // run costs little beside the memory a sparser table would take. A table
  // of kMostSlots always has an empty slot, as indices are below it.
  static bool Roomy(std::size_t names, std::size_t size) { return names * 4 <= size * 3 || size >= kMostSlots; }
  void Rehash(std::size_t size);  // a power of two
  // A name's first slot: the hash's top bits, so that the slots follow the
  // hashes' order.
  std::size_t Home(std::uint32_t top) const { return static_cast<std::size_t>(top >> shift_); }
  int Insert(int index, std::size_t hash);  // Add with the name's hash, the table grown already

  const std::vector<std::string>& names_;
  std::vector<Slot> slots_;
  int shift_ = 31;  // 31 - log2 of the table's size
  std::size_t used_ = 0;
};

// The index of the first name in `names` that an earlier one already has, or
// -1, without a table of them all: the names go by hash into parts small
// enough for the caches, each searched with a table of its own.
int FirstRepeatedName(const std::vector<std::string>& names);

// The problem name a model without one takes: its file's name without the
// folder and without .gz, .mps, .lp, .freemps (e.g. "afiro" for dir/afiro.mps.gz).
std::string FileStem(const std::string& path);

// Finishes the matrix of a model read column by column: entries of the same
// row and column are summed (returns how many were), exact zeros are dropped
// (also a sum that gives zero). O(entries) with one marker per row.
long MergeDuplicates(Model& model);

}  // namespace postsolve::modelfile
