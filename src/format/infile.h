// The reader under everything: the one error type, an input file read
// through a bounded window (or held in memory), the little-endian getters and
// the count checks made before anything is allocated. It knows bytes and
// offsets only; what a record is, the layer above says.
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

#include "bulkmem.h"
#include "failure.h"

namespace postsolve {

// What a file's status said when it was opened: a file rewritten while it
// is read shows a different size, modification or change time.
struct FileStamp {
  std::int64_t size = 0;
  std::int64_t mtimeSec = 0, mtimeNsec = 0;
  std::int64_t ctimeSec = 0, ctimeNsec = 0;
  bool operator==(const FileStamp&) const = default;
};

// Names a record code in messages; set by the layer that knows the codes.
using CodeNamer = std::string (*)(int code);

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
  CodeNamer codeName = nullptr;  // how messages spell `code`
  std::size_t recoff = 0;
  FileStamp stamp;  // as opened; all zero for a file in memory
  // Where the record being read must end: the start of the record after it
  // in the file, when the offset stack says; counts are checked against it.
  std::size_t recend = kNoEnd;
  static constexpr std::size_t kNoEnd = static_cast<std::size_t>(-1);

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
  void enter(long index, std::size_t off, std::size_t end = kNoEnd) {
    rec = index;
    recoff = off;
    recend = end;
    code.reset();
  }
  void leave() { rec = -1; recend = kNoEnd; code.reset(); }

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
// Fails, naming the file, unless the file at `path` still has the size,
// modification and change times of `seen`.
void CheckUnchanged(const std::string& path, const FileStamp& seen);
// After a rename of a stamped file to `path` (which changes its change
// time): the stamp as the file now stands, when its size and modification
// time are still those seen; otherwise `stamp` stays and CheckUnchanged fails.
void RestampRenamed(const std::string& path, FileStamp& stamp);
// A file whose bytes are already in memory, named `path` in messages.
InFile MemIn(std::string path, std::string_view bytes);
// Throws the PostError "FILE: [record N CODE at offset O: ]why".
[[noreturn]] void Fail(const InFile& f, const std::string& why);
// Checks that `count` items of `each` bytes can still be read; a negative count
// or one the rest of the file (or of the record, when its end is known)
// cannot hold is a failure, before anything is allocated.
void NeedCount(const InFile& f, std::int64_t count, std::int64_t each, const char* what);
// Fails with "short read" for `bytes` wanted at f.pos.
[[noreturn]] void ShortRead(const InFile& f, std::size_t bytes);

// A value of type T between the host's byte order and the files' fixed
// little-endian one (the same swap both ways).
template <class T>
T SwapLE(T v) {
  if constexpr (std::endian::native == std::endian::big) {
    auto bytes = std::bit_cast<std::array<unsigned char, sizeof(T)>>(v);
    std::reverse(bytes.begin(), bytes.end());
    v = std::bit_cast<T>(bytes);
  }
  return v;
}

// The little-endian value of type T stored at `at`.
template <class T>
T LoadLE(const void* at) {
  T v;
  std::memcpy(&v, at, sizeof(T));
  return SwapLE(v);
}

// One little-endian value of type T at f.pos; the file's byte order is fixed.
template <class T>
T GetLE(InFile& f) {
  if (f.left() < sizeof(T)) ShortRead(f, sizeof(T));
  const T v = LoadLE<T>(f.Bytes(sizeof(T)));
  f.pos += sizeof(T);
  return v;
}

// One byte, as a signed character value.
inline int cGet(InFile& f) { return GetLE<signed char>(f); }
// One little-endian int32.
inline int iGet(InFile& f) { return GetLE<std::int32_t>(f); }
// One little-endian IEEE double.
inline double dGet(InFile& f) { return GetLE<double>(f); }
// `count` int32s / doubles into out, checked to lie inside the file first.
void iGetN(InFile& f, int* out, std::size_t count);
void dGetN(InFile& f, double* out, std::size_t count);

}  // namespace postsolve
