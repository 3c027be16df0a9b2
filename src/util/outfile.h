// Output files that appear whole or not at all: the bytes go to a temporary
// file beside the target, which replaces the target only once it is complete
// and on disk. Until then any earlier file of that name stays as it was.
#pragma once

#include <functional>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace postsolve {

class AtomicFile {
 public:
  // Creates PATH.XXXXXX beside `path` (and, with makeDirs, any missing
  // directory above it). Throws PostError "PATH: what: reason".
  explicit AtomicFile(std::string path, bool makeDirs = false);
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  // Removes the temporary file unless the target was replaced.
  ~AtomicFile();

  void Put(std::string_view bytes);
  // Writes what is buffered, syncs the data to disk and closes the file; the
  // target is still untouched. Idempotent.
  void Finish();
  // Finish, then rename the temporary file over the target.
  void Commit();

  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void Fail(const char* what);
  void Flush();
  void WriteAll(const char* p, std::size_t n);

  std::string path_, tmp_;
  std::string error_;  // the first failure's message; thrown again by Finish
  int fd_ = -1;
  int slot_ = -1;  // where the signal cleanup knows the temporary name
  bool finished_ = false, committed_ = false;
  std::unique_ptr<char[]> buf_;
  std::size_t len_ = 0;
};

// Writes `bytes` through an AtomicFile: `path` is either left alone or
// replaced whole.
void ReplaceFile(const std::string& path, std::string_view bytes, bool makeDirs = false);
// Writes a set of files that belong together (creating missing directories):
// every one is complete and on disk before any replaces its old file, so a
// failure leaves the old set as it was.
void ReplaceFiles(const std::vector<std::pair<std::string, std::string_view>>& files);

// Removes DIR's temporary files of AtomicFiles that died unfinished: each
// named TARGET.XXXXXX for a TARGET that `ours` accepts, and no longer locked
// by the AtomicFile that made it (which holds a lock on it while it lives).
// Returns how many went.
int RemoveAbandonedTemporaries(const std::string& dir, const std::function<bool(std::string_view)>& ours);

// A stream buffer over an AtomicFile, for writers that take a std::ostream.
// A write error sets the stream's badbit; the file keeps the error, and its
// Finish or Commit throws it.
class AtomicFileBuf : public std::streambuf {
 public:
  explicit AtomicFileBuf(AtomicFile& file) : file_(file) {}

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;

 private:
  AtomicFile& file_;
};

// Installs handlers that, on a signal that ends the process (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT, SIGALRM, SIGUSR1/2, SIGXCPU, SIGVTALRM, SIGPROF, SIGABRT),
// remove every unfinished AtomicFile's temporary file and then end the process
// by that signal. Signals the process was started with ignored stay ignored.
// SIGXFSZ and SIGPIPE are ignored, so that a file-size limit or a closed pipe
// fails the write that met it and the ordinary error path runs.
void CleanUpTemporariesOnSignals();

// Puts /dev/null, opened for reading only, in place of any of descriptors 0,
// 1 and 2 that is closed: no file opened later takes a standard stream's
// number, and writing to a closed standard stream still fails.
void ReserveStandardDescriptors();

}  // namespace postsolve
