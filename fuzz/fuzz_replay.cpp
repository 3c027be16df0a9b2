// Feeds arbitrary bytes through the whole run and checks what the run leaves
// behind, not only that it survives.
//
// Input layout: as fuzz/input.h says.
//
// Each input is replayed from memory (Replay over CaseFiles) and the report is
// written by OutRept into a scratch directory under /dev/shm (or under
// $POSTSOLVE_FUZZ_DIR), the working directory for the whole session. Properties checked on every input:
//   - a failure is a PostError (anything else escapes and is reported) whose
//     message is one non-empty line, as is every warning of a success;
//   - after a failure the scratch directory is empty: no report, no temporary;
//   - after a success the directory holds exactly the report, which ends with
//     the EOF line; it is removed before the next input.
// A broken property aborts with a message on standard error.
//
// The working directory changes before libFuzzer reads its arguments: give it
// absolute paths (scripts/fuzz.sh does).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "casefile.h"
#include "input.h"
#include "report.h"

using namespace postsolve;
using enum postsolve::RecordCode;

namespace {

std::string g_scratch;  // absolute path of the scratch directory

[[noreturn]] void Broken(const std::string& what) { fuzzing::Broken("fuzz_replay", what); }

// Names of the entries of the working directory, "." and ".." left out.
std::vector<std::string> Entries() {
  std::vector<std::string> names;
  DIR* d = ::opendir(".");
  if (!d) Broken("cannot open the scratch directory");
  while (const dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
      names.emplace_back(e->d_name);
  }
  ::closedir(d);
  return names;
}

void RemoveAll() {
  for (const std::string& name : Entries()) ::unlink(name.c_str());
}

void CheckReport(const std::string& name) {
  static constexpr std::string_view kEof =
      "\n------------------------------------ EOF ------------------------------------\n";
  const std::vector<std::string> names = Entries();
  if (names.size() != 1 || names[0] != name) {
    std::string seen;
    for (const std::string& n : names) seen += " '" + n + "'";
    Broken("after a success the directory should hold only '" + name + "', it holds" + seen);
  }
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Broken("cannot open the report '" + name + "'");
  struct stat st {};
  char tail[kEof.size()];
  const bool ok = ::fstat(fd, &st) == 0 && static_cast<std::size_t>(st.st_size) >= kEof.size() &&
                  ::pread(fd, tail, sizeof tail, st.st_size - static_cast<off_t>(sizeof tail)) ==
                      static_cast<ssize_t>(sizeof tail) &&
                  std::string_view(tail, sizeof tail) == kEof;
  ::close(fd);
  if (!ok) Broken("the report '" + name + "' does not end with the EOF line");
  if (::unlink(name.c_str()) != 0) Broken("cannot remove the report '" + name + "'");
}

void RemoveScratch() {
  if (g_scratch.empty()) return;
  if (::chdir(g_scratch.c_str()) == 0) RemoveAll();
  if (::chdir("/") == 0) ::rmdir(g_scratch.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Inside POSTSOLVE_FUZZ_DIR when set: libFuzzer leaves some runs (merges,
  // findings) without calling exit handlers, and the script removes that
  // directory whole when it is done.
  const char* parent = std::getenv("POSTSOLVE_FUZZ_DIR");
  std::string dir = std::string(parent && *parent ? parent : "/dev/shm") + "/postsolve-fuzz-XXXXXX";
  if (!::mkdtemp(dir.data()) || ::chdir(dir.c_str()) != 0) {
    std::perror("fuzz_replay: scratch directory");
    std::abort();
  }
  g_scratch = dir;
  std::atexit(RemoveScratch);
  // The run prints a line for a degenerate duplicate column; keep it out of the fuzzer's log.
  std::fflush(stdout);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) {
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const CaseFiles files = fuzzing::SplitInput(data, size);

  std::string report;
  try {
    PostData pd;
    Replay(pd, files);
    report = OutRept(pd);
    for (const std::string& w : pd.warnings.Lines()) fuzzing::CheckOneLine("fuzz_replay", "warning", w);
  } catch (const PostError& e) {
    fuzzing::CheckOneLine("fuzz_replay", "failure message", e.what());
    const std::vector<std::string> left = Entries();
    if (!left.empty()) {
      std::string msg = "a failed run left '" + left[0] + "'";
      RemoveAll();
      Broken(msg);
    }
    return 0;
  }
  CheckReport(report);
  return 0;
}
