// The windowed reader and the in-memory reader, the count checks and the
// one place where read failures are spelt.

#include "infile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace postsolve {

namespace {

FileStamp StampOf(const struct stat& st) {
  return {st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
}

void Need(const InFile& f, std::size_t bytes) {
  if (bytes > f.left()) ShortRead(f, bytes);
}

}  // namespace

InFile::InFile(InFile&& other) noexcept { *this = std::move(other); }

InFile& InFile::operator=(InFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    path = std::move(other.path);
    size = other.size;
    pos = other.pos;
    rec = other.rec;
    code = other.code;
    codeName = other.codeName;
    recoff = other.recoff;
    stamp = other.stamp;
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
  f.stamp = StampOf(st);
  return f;
}

void CheckUnchanged(const std::string& path, const FileStamp& seen) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    throw PostError(path + ": gone while it was read: " + std::strerror(errno));
  if (!(StampOf(st) == seen))
    throw PostError(path + ": changed while it was read (its size, modification or change time differs "
                           "from when it was opened)");
}

void RestampRenamed(const std::string& path, FileStamp& stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return;
  const FileStamp now = StampOf(st);
  if (now.size == stamp.size && now.mtimeSec == stamp.mtimeSec && now.mtimeNsec == stamp.mtimeNsec) stamp = now;
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
  f.codeName = codeName;
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
    if (f.code) msg += " " + (f.codeName ? f.codeName(*f.code) : "code " + std::to_string(*f.code));
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
  // Within the record, where the next one's start is known: checked before
  // anything is allocated for the count, however large the file.
  const std::size_t room = f.recend > f.pos ? f.recend - f.pos : 0;
  if (f.recend != InFile::kNoEnd && count * each > static_cast<std::int64_t>(room))
    Fail(f, std::string(what) + " " + std::to_string(count) + " runs into the record at offset " +
                std::to_string(f.recend));
}

namespace {

template <class T>
void GetN(InFile& f, T* out, std::size_t count) {
  static_assert(sizeof(int) == 4 && sizeof(double) == 8);
  Need(f, count * sizeof(T));
  f.Copy(out, count * sizeof(T));
  if constexpr (std::endian::native == std::endian::big)
    for (std::size_t i = 0; i < count; ++i) out[i] = SwapLE(out[i]);
}

}  // namespace

void iGetN(InFile& f, int* out, std::size_t count) { GetN(f, out, count); }
void dGetN(InFile& f, double* out, std::size_t count) { GetN(f, out, count); }

}  // namespace postsolve
