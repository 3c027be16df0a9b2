// Output written beside its target and renamed into place, and the signal
// handlers that take unfinished temporary files away with the process.

#include "outfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "failure.h"

namespace postsolve {

namespace {

// The temporary names a signal handler may have to remove. A slot is claimed
// (kClaimed), filled, then armed; the handler reads armed slots only, so it
// never sees a name half copied. Everything here is lock-free atomics and
// fixed buffers, safe to touch from a handler.
constexpr int kFree = 0, kClaimed = 1, kArmed = 2;
struct TempSlot {
  std::atomic<int> state{kFree};
  char path[4096];
};
TempSlot tempSlots[8];

int ArmSlot(const std::string& tmp) {
  if (tmp.size() >= sizeof tempSlots[0].path) return -1;
  for (int i = 0; i < static_cast<int>(std::size(tempSlots)); ++i) {
    int expected = kFree;
    if (!tempSlots[i].state.compare_exchange_strong(expected, kClaimed)) continue;
    std::memcpy(tempSlots[i].path, tmp.c_str(), tmp.size() + 1);
    tempSlots[i].state.store(kArmed);
    return i;
  }
  return -1;  // more files open at once than slots: these go without cleanup on signals
}

void DisarmSlot(int& slot) {
  if (slot >= 0) tempSlots[slot].state.store(kFree);
  slot = -1;
}

constexpr int kEndingSignals[] = {SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGALRM, SIGUSR1,
                                  SIGUSR2, SIGXCPU,   SIGVTALRM, SIGPROF, SIGABRT};

sigset_t EndingSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kEndingSignals) sigaddset(&set, sig);
  return set;
}

// Blocks the ending signals in this thread for its lifetime: a temporary
// file is created and armed, or disarmed and removed, in one step as far as a
// signal can tell.
class SignalsHeld {
 public:
  SignalsHeld() {
    const sigset_t set = EndingSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t old_;
};

extern "C" void RemoveTemporariesAndDie(int sig) {
  const int savedErrno = errno;
  for (TempSlot& slot : tempSlots)
    if (slot.state.load() == kArmed) ::unlink(slot.path);
  // End as the signal would have ended us: default action, raised again; it
  // is delivered when this handler returns and the signal is unblocked.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(sig, &dfl, nullptr);
  ::raise(sig);
  errno = savedErrno;
}

constexpr std::size_t kBufCap = std::size_t{1} << 20;

}  // namespace

void CleanUpTemporariesOnSignals() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
  ::sigaction(SIGPIPE, &ignore, nullptr);

  struct sigaction handler {};
  handler.sa_handler = RemoveTemporariesAndDie;
  handler.sa_mask = EndingSignals();  // one cleanup at a time
  for (int sig : kEndingSignals) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(sig, &handler, nullptr);
  }
}

void ReserveStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    const int placeholder = ::open("/dev/null", O_RDONLY);
    if (placeholder >= 0 && placeholder != fd) {
      ::dup2(placeholder, fd);
      ::close(placeholder);
    }
  }
}

AtomicFile::AtomicFile(std::string path, bool makeDirs) : path_(std::move(path)), tmp_(path_ + ".XXXXXX") {
  if (makeDirs) {
    const std::filesystem::path dir = std::filesystem::path(path_).parent_path();
    std::error_code failed;
    if (!dir.empty() && !std::filesystem::is_directory(dir, failed)) {
      std::filesystem::create_directories(dir, failed);
      if (failed) throw PostError(dir.string() + ": cannot create the directory: " + failed.message());
    }
  }
  // Nothing renames over a directory: say so before anything is written.
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    Fail("cannot replace it");
  }
  buf_ = std::make_unique_for_overwrite<char[]>(kBufCap);
  {
    SignalsHeld held;
    // Locked until the file is renamed or removed: a temporary nobody holds
    // was left by a process that died (RemoveAbandonedTemporaries). Between
    // mkstemp and flock a cleaner may take the new file for such a one; then
    // it is gone, or about to go, and another name is tried.
    const std::string pattern = tmp_;
    for (int tries = 0; tries < 100; ++tries) {
      tmp_ = pattern;
      fd_ = ::mkstemp(tmp_.data());
      if (fd_ < 0) break;
      struct stat opened {}, named {};
      if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd_, &opened) == 0 && ::stat(tmp_.c_str(), &named) == 0 &&
          opened.st_ino == named.st_ino && opened.st_dev == named.st_dev) {
        slot_ = ArmSlot(tmp_);
        break;
      }
      ::close(std::exchange(fd_, -1));
    }
  }
  if (fd_ < 0) Fail("cannot create a temporary file");
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);  // as a plainly created file would be
}

AtomicFile::~AtomicFile() {
  if (!committed_) {
    SignalsHeld held;
    ::unlink(tmp_.c_str());
    DisarmSlot(slot_);
  }
  if (fd_ >= 0) ::close(fd_);
}

void AtomicFile::Fail(const char* what) {
  // The first failure is the one reported, however often a caller retries.
  if (error_.empty()) error_ = path_ + ": " + what + ": " + std::strerror(errno);
  throw PostError(error_);
}

void AtomicFile::Put(std::string_view s) {
  if (!error_.empty()) throw PostError(error_);
  if (len_ + s.size() > kBufCap || s.size() > kBufCap / 2) Flush();
  if (s.size() > kBufCap / 2) {
    WriteAll(s.data(), s.size());  // large blocks skip the buffer
    return;
  }
  std::memcpy(buf_.get() + len_, s.data(), s.size());
  len_ += s.size();
}

void AtomicFile::Flush() {
  WriteAll(buf_.get(), len_);
  len_ = 0;
}

void AtomicFile::WriteAll(const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd_, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      Fail("write error");
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
}

void AtomicFile::Finish() {
  if (!error_.empty()) throw PostError(error_);
  if (finished_) return;
  Flush();
  // On disk before it can replace anything: a crash after the rename must
  // not leave an empty file where a good one was.
  if (::fsync(fd_) != 0 && errno != EINVAL) Fail("cannot sync to disk");
  // Still open, and so still locked, until it is renamed or removed.
  finished_ = true;
}

void AtomicFile::Commit() {
  Finish();
  if (committed_) return;
  SignalsHeld held;
  if (::rename(tmp_.c_str(), path_.c_str()) != 0) Fail("cannot rename the finished file into place");
  committed_ = true;
  DisarmSlot(slot_);
  ::close(std::exchange(fd_, -1));  // synced already: nothing left for close to report
}

namespace {

// NAME.XXXXXX as mkstemp makes it: the target's name and six letters or digits.
std::string_view TemporaryTarget(std::string_view entry) {
  constexpr std::size_t kSuffix = 7;
  if (entry.size() <= kSuffix || entry[entry.size() - kSuffix] != '.') return {};
  for (std::size_t i = entry.size() - kSuffix + 1; i < entry.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(entry[i]);
    if (!std::isalnum(c)) return {};
  }
  return entry.substr(0, entry.size() - kSuffix);
}

}  // namespace

int RemoveAbandonedTemporaries(const std::string& dir, const std::function<bool(std::string_view)>& ours) {
  DIR* listing = ::opendir(dir.c_str());
  if (listing == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view target = TemporaryTarget(entry->d_name);
    if (target.empty() || !ours(target)) continue;
    const std::string path = dir + "/" + entry->d_name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // Removed while locked here: its owner, had it one, would hold the lock.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::unlink(path.c_str()) == 0)
      ++removed;
    ::close(fd);
  }
  ::closedir(listing);
  return removed;
}

void ReplaceFile(const std::string& path, std::string_view bytes, bool makeDirs) {
  AtomicFile out(path, makeDirs);
  out.Put(bytes);
  out.Commit();
}

void ReplaceFiles(const std::vector<std::pair<std::string, std::string_view>>& files) {
  std::vector<std::unique_ptr<AtomicFile>> outs;
  for (const auto& [path, bytes] : files) {
    outs.push_back(std::make_unique<AtomicFile>(path, true));
    outs.back()->Put(bytes);
    outs.back()->Finish();
  }
  for (auto& out : outs) out->Commit();
}

AtomicFileBuf::int_type AtomicFileBuf::overflow(int_type ch) {
  if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
  const char c = traits_type::to_char_type(ch);
  file_.Put({&c, 1});
  return ch;
}

std::streamsize AtomicFileBuf::xsputn(const char* s, std::streamsize n) {
  file_.Put({s, static_cast<std::size_t>(n)});
  return n;
}

}  // namespace postsolve
