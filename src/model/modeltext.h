// What both model-file readers share: the file's lines (plain or gzip) with
// their numbers, one way to read a number, one way to fail with the file and
// line, and a table from names to indices.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bulkmem.h"
#include "postsolve/model.h"
#include "workers.h"

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
  // The whole lines ahead, not yet taken, as one text: a block's worth when
  // the buffer holds less than a quarter of one (more is read first, so a
  // call costs no copying while the buffer holds plenty), at least one line
  // unless the file has no whole line left (a last line without '\n' is left
  // to Next). Valid until the next call of Next, Ahead or Take.
  std::string_view Ahead();
  // Takes the first `bytes` of what Ahead gave, `lines` whole lines, as if
  // Next had given them.
  void Take(std::size_t bytes, long lines) {
    begin_ += bytes;
    line_ += lines;
  }
  long line() const { return line_; }  // the number of the line Next gave last, from 1
  const std::string& path() const { return path_; }
  // The file's length, or what a gzipped one says it holds (modulo 2^32):
  // a guess at how much there is to read, for reserving room.
  std::size_t expected() const { return expected_; }
  // The bytes taken so far (of the decompressed text, when gzipped).
  std::size_t taken() const { return filled_ - (end_ - begin_); }
  // About how many are still to be taken, by expected().
  std::size_t left() const { return expected_ > taken() ? expected_ - taken() : 0; }

  // Throws Error "PATH:LINE: reason" for the line Next gave last.
  [[noreturn]] void Fail(const std::string& reason) const;

 private:
  std::size_t Fill();  // appends what the file has next to buffer_; 0 at its end (or a failure)
  // The line from begin_ to stop (without a '\r' before it); reading goes on at next.
  std::string_view Cut(std::size_t stop, std::size_t next);

  std::string path_;
  int fd_ = -1;
  class GzipText;
  std::unique_ptr<GzipText> gzip_;  // when gzipped
  // A large gzipped file is decompressed ahead, on a thread of its own.
  class Inflater;
  std::unique_ptr<Inflater> inflater_;
  std::size_t expected_ = 0;
  // Not zeroed: only what the file gave is read, and a small file's read
  // touches only the pages it fills.
  std::unique_ptr<char[]> buffer_;
  std::size_t size_ = 0;             // of buffer_
  std::size_t begin_ = 0, end_ = 0;  // the unread bytes of buffer_
  std::size_t filled_ = 0;           // the bytes read into buffer_ in all
  bool atEnd_ = false;
  std::string failure_;  // why the file could not be read to its end, for the line it stopped in
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

// The first min(8, size) bytes of a name, in the order they stand, padded
// with zeros: read in at most two loads, without a copy through memory.
inline std::uint64_t NameHead(std::string_view name) {
  const auto* p = reinterpret_cast<const unsigned char*>(name.data());
  const std::size_t n = name.size();
  const auto load = [](const unsigned char* at, std::size_t bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, at, bytes);  // a fixed size: one load
    return word;
  };
  if (n >= 8) return load(p, 8);
  if (n >= 4) return load(p, 4) | load(p + n - 4, 4) << (8 * (n - 4));  // the two overlap
  if (n == 0) return 0;
  return std::uint64_t{p[0]} | std::uint64_t{p[n / 2]} << (8 * (n / 2)) | std::uint64_t{p[n - 1]} << (8 * (n - 1));
}

// Whether two names are the same: most are short, and told apart without a call.
inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return a.size() <= 8 ? NameHead(a) == NameHead(b) : a == b;
}

// Names to their indices in a vector of names that the caller owns and only
// appends to: the table holds indices, so the vector may reallocate.
class NameIndex {
 public:
  explicit NameIndex(const std::vector<std::string>& names) : names_(names) {}
  // The index of `name`, or -1.
  int Find(std::string_view name) const { return Find(name, Hash(name)); }
  // The same in two steps, for a reader with several names on a line: Hash
  // and Prefetch each (the table's memory is fetched meanwhile), then Find.
  // Eight bytes at a time, multiplied and folded: names are short, and the
  // tables take their slots from the top bits.
  static std::size_t Hash(std::string_view name) {
    static_assert(sizeof(std::size_t) == 8, "the tables take 64-bit hashes");
    constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15ULL;
    std::uint64_t h = name.size() * kMultiplier;
    std::size_t at = 0;
    for (; at + 8 <= name.size(); at += 8) {
      h = (h ^ NameHead(name.substr(at, 8))) * kMultiplier;
      h ^= h >> 32;
    }
    if (at < name.size()) h = (h ^ NameHead(name.substr(at))) * kMultiplier;
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ULL;
    return static_cast<std::size_t>(h ^ (h >> 32));
  }
  void Prefetch(std::size_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[Home(Top(hash))]);
  }
  int Find(std::string_view name, std::size_t hash) const {
    if (slots_.empty()) return -1;
    const Slot key = Key(name, -1, hash);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = Home(Top(hash));; s = (s + 1) & mask) {
      const Slot& slot = slots_[s];
      if (slot.empty()) return -1;
      if (Same(slot, key, name)) return slot.index();
    }
  }
  // Adds names[index]; returns -1, or the index that already had that name
  // (the table then keeps the earlier one).
  int Add(int index);
  // Adds names[first] and every name after it; returns -1, or the lowest
  // index among them whose name the table or an earlier one of them already
  // had (the others are added all the same).
  int AddAll(int first);
  // Frees the table: Find finds nothing after it, Add starts a new one.
  void Release() {
    BulkVector<Slot>().swap(slots_);
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
  struct Slot {  // trivial, and empty when zero: a table starts zeroed, not written
    std::uint32_t number;  // the name's index + 1; 0: empty
    std::uint32_t tag;     // the hash's top 31 bits, then 1 for a long name
    std::uint64_t head;
    bool empty() const { return number == 0; }
    int index() const { return static_cast<int>(number - 1); }
  };
  static constexpr std::size_t kMostSlots = std::size_t{1} << 31;  // more than any index
  static std::uint32_t Top(std::size_t hash) { return static_cast<std::uint32_t>(hash >> 33); }
  static Slot Key(std::string_view name, int at, std::size_t hash) {
    Slot key;
    key.number = static_cast<std::uint32_t>(at + 1);
    key.head = NameHead(name);
    // Whether one of the name's first 8 bytes is 0: a word test, with the
    // padding after a shorter name set to 0xff so that it does not count.
    constexpr std::uint64_t kLow = 0x0101010101010101ULL, kHigh = 0x8080808080808080ULL;
    const std::size_t head = std::min(name.size(), sizeof key.head);
    const std::uint64_t bytes = head == sizeof key.head ? key.head : key.head | ~std::uint64_t{0} << (8 * head);
    const bool hasZero = ((bytes - kLow) & ~bytes & kHigh) != 0;
    const bool isLong = name.size() > sizeof key.head || hasZero;
    key.tag = Top(hash) << 1 | static_cast<std::uint32_t>(isLong);
    return key;
  }
  bool Same(const Slot& slot, const Slot& key, std::string_view name) const {
    return slot.tag == key.tag && slot.head == key.head &&
           ((key.tag & 1) == 0 || names_[static_cast<std::size_t>(slot.index())] == name);
  }
  void Grow();
  // At most seven eighths full: a probe compares tags first, four slots to a
  // cache line, so a longer run costs little beside the memory (and first
  // touches) a sparser table would take. A table of kMostSlots always has an
  // empty slot, as indices are below it.
  static bool Roomy(std::size_t names, std::size_t size) { return names * 8 <= size * 7 || size >= kMostSlots; }
  void Rehash(std::size_t size);  // a power of two
  // A name's first slot: the hash's top bits, so that the slots follow the
  // hashes' order.
  std::size_t Home(std::uint32_t top) const { return static_cast<std::size_t>(top >> shift_); }
  int Insert(int index, std::size_t hash);  // Add with the name's hash, the table grown already
  int InsertKey(const Slot& key);           // the same with the name's slot made

  const std::vector<std::string>& names_;
  BulkVector<Slot> slots_;
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
// (also a sum that gives zero). O(entries) with one marker per row. The
// matrix's arrays alone, its rows below `rows`: a reader may finish it while
// it goes on with the rest of the model.
long MergeDuplicates(std::vector<int>& start, std::vector<int>& index, std::vector<double>& value, std::size_t rows);
long MergeDuplicates(Model& model);

// Room for the names a reader will meet in the `left` bytes still to read,
// at `perByte` (the rate a block held them: more than the rest of the file
// holds, as other sections follow, and room not written to costs no memory),
// at most one for every 32 bytes, so that the names' room stays within the
// file's length.
inline std::size_t NamesAhead(double perByte, std::size_t left) {
  return static_cast<std::size_t>(std::min(perByte * static_cast<double>(left), static_cast<double>(left / 32)));
}

// The next block to read of `text` (whole lines, as LineSource::Ahead gives
// them): its whole lines up to `most` bytes, or its first line when that is
// longer.
inline std::string_view BlockOf(std::string_view text, std::size_t most) {
  if (text.size() <= most) return text;
  std::size_t end = most > 0 ? text.rfind('\n', most - 1) : std::string_view::npos;
  if (end == std::string_view::npos) end = text.find('\n');
  return end == std::string_view::npos ? text : text.substr(0, end + 1);
}

// How many parts a block of `bytes` is read in: one for the first block
// after a line or statement read on its own (`first`: should that stop at
// once, the parts after it would be scanned for nothing), else parts of
// `block`/16 bytes or more, 16 at most, while there are workers to scan them
// (`workers`, made on the first call that may use them: one for each other
// core).
std::size_t PartsOf(std::size_t bytes, std::size_t block, bool first, std::unique_ptr<WorkerPool>& workers);

// `text` (whole lines, the last ending in '\n') in `parts` pieces of whole
// lines and about equal length, in order; fewer when it has fewer lines. A
// piece after the first starts at a line `startsPiece` takes (the first such
// line from where it would have started), so that it may be read on its own.
template <class StartsPiece>
std::vector<std::string_view> WholeLineParts(std::string_view text, std::size_t parts, StartsPiece startsPiece) {
  std::vector<std::string_view> pieces;
  std::size_t begin = 0;
  for (std::size_t p = 1; p <= parts && begin < text.size(); ++p) {
    std::size_t end = text.size();
    if (p < parts) {
      end = text.find('\n', std::max(begin, text.size() / parts * p));
      while (end != std::string_view::npos && end + 1 < text.size()) {
        const std::size_t next = text.find('\n', end + 1);
        if (startsPiece(text.substr(end + 1, (next == std::string_view::npos ? text.size() : next) - end - 1))) break;
        end = next;
      }
      end = end == std::string_view::npos ? text.size() : end + 1;
    }
    pieces.push_back(text.substr(begin, end - begin));
    begin = end;
  }
  return pieces;
}
inline std::vector<std::string_view> WholeLineParts(std::string_view text, std::size_t parts) {
  return WholeLineParts(text, parts, [](std::string_view) { return true; });
}

// A part of a block of lines, and what scanning it found.
template <class Scan>
struct BlockPart {
  std::string_view text;
  Scan scan;
  std::atomic<bool> claimed{false}, done{false};
  std::exception_ptr error;  // what scanning it threw
};
template <class Scan>
using BlockParts = std::vector<std::unique_ptr<BlockPart<Scan>>>;

// Reads a block in parts: each of `pieces` is scanned, by scan(text, scan)
// (which changes nothing another part's scan reads), on whichever thread
// claims it first, this one or a worker; and this thread hands each part to
// apply(part) in order as soon as it is scanned, while the later ones are
// scanned on (this thread scans one while a worker scans the one it waits
// for). apply returns false to stop: the parts after it are scanned for
// nothing. What a part's scan threw is thrown when the part comes to be
// applied. However it ends, no worker still scans when it returns. `parts`
// keeps the parts, and their scans' storage, from one block to the next.
template <class Scan, class ScanText, class Apply>
void ReadInParts(WorkerPool* workers, const std::vector<std::string_view>& pieces, BlockParts<Scan>& parts,
                 const ScanText& scan, const Apply& apply) {
  while (parts.size() < pieces.size()) parts.push_back(std::make_unique<BlockPart<Scan>>());
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    BlockPart<Scan>& part = *parts[p];
    part.text = pieces[p];
    part.claimed.store(false);
    part.done.store(false);
    part.error = nullptr;
  }
  const auto claim = [&scan](BlockPart<Scan>& part) {  // scans the part unless another thread has claimed it
    if (part.claimed.exchange(true)) return;
    try {
      scan(part.text, part.scan);
    } catch (...) {
      part.error = std::current_exception();
    }
    part.done.store(true);
    part.done.notify_all();
  };
  std::atomic<bool> abandon{false};
  std::vector<std::future<void>> tasks;
  struct Wait {  // no worker still scans, however this ends
    std::atomic<bool>& abandon;
    std::vector<std::future<void>>& tasks;
    ~Wait() {
      abandon.store(true);
      for (auto& task : tasks)
        if (task.valid()) task.wait();
    }
  } wait{abandon, tasks};
  if (workers != nullptr && pieces.size() > 1)
    for (std::size_t w = 0; w < workers->size(); ++w)
      tasks.push_back(workers->Submit([&claim, &parts, &abandon, count = pieces.size()] {
        for (std::size_t p = 1; p < count && !abandon.load(); ++p) claim(*parts[p]);
      }));
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    BlockPart<Scan>& part = *parts[p];
    claim(part);
    for (std::size_t q = p + 1; !part.done.load() && q < pieces.size(); ++q) claim(*parts[q]);
    part.done.wait(false);
    if (part.error) std::rethrow_exception(part.error);
    if (!apply(part)) return;
  }
}

}  // namespace postsolve::modelfile
