// The result directory's transaction: lock, recovery, staging, journal, swap.

#include "resultdir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "failure.h"
#include "outfile.h"
#include "records.h"

namespace fs = std::filesystem;

namespace postsolve {

namespace {

constexpr const char* kLockName = ".postsolve.lock";
constexpr const char* kJournalName = ".postsolve.swap";
constexpr std::string_view kStagePrefix = ".postsolve-stage.";
constexpr const char* kJournalFirstLine = "postsolve result swap";
// The log: a new one of these makes the solution stale.
constexpr std::string_view kLogFiles[] = {BINFILE, STKFILE, "reduced.mps", "problem.json"};

bool IsLogFile(std::string_view name) { return std::ranges::find(kLogFiles, name) != std::end(kLogFiles); }
// Of the solution: the basis the postsolved point shows and its polished
// point; a new log or solution makes them stale.
constexpr std::string_view kPointFiles[] = {"basis.bas", "polished.json", "polished.bas"};

bool IsPointFile(std::string_view name) { return std::ranges::find(kPointFiles, name) != std::end(kPointFiles); }

// The report the postsolve program writes from DIR's log (named after the
// Header's problem name), when DIR holds one that reads so far and the file
// is there and starts as a report does; else empty.
std::string ReportOfLog(const std::string& dir) {
  try {
    InFile stk = OpenIn(dir + "/" + STKFILE);
    if (stk.size < 8) return {};
    const int headerAt = iGet(stk);  // the first record's offset
    InFile bin = OpenIn(dir + "/" + BINFILE);
    if (headerAt < 0 || static_cast<std::size_t>(headerAt) >= bin.size) return {};
    bin.seek(static_cast<std::size_t>(headerAt));
    if (iGet(bin) != AsInt(RecordCode::HEADER)) return {};
    HeaderStart header = ReadHeaderStart(bin);
    header.name.resize(std::strlen(header.name.c_str()));  // as the replay reads it
    const std::string name = ReportName(header.name);
    std::ifstream in(dir + "/" + name, std::ios::binary);
    std::string start(kReportStart.size(), '\0');
    if (in.read(start.data(), static_cast<std::streamsize>(start.size())) && start == kReportStart) return name;
  } catch (const PostError&) {
  }
  return {};
}

std::string Reason(int err) { return std::strerror(err); }

// What the journal says: the staging directory, the files that go in (the
// solution last) and the stale files that go.
struct Swap {
  std::string stage;
  std::vector<std::string> put, drop;
};

std::string JournalText(const Swap& swap) {
  std::string text = std::string(kJournalFirstLine) + "\nstage " + swap.stage + "\n";
  for (const std::string& name : swap.put) text += "put " + name + "\n";
  for (const std::string& name : swap.drop) text += "drop " + name + "\n";
  return text;
}

bool PlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

Swap ReadJournal(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PostError(path + ": cannot open: " + Reason(errno));
  Swap swap;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const auto bad = [&] {
      return PostError(path + ": line " + std::to_string(number) +
                       ": not a line of an interrupted swap; move the file away after checking the directory");
    };
    if (number == 1) {
      if (line != kJournalFirstLine) throw bad();
      continue;
    }
    const std::size_t space = line.find(' ');
    if (space == std::string::npos || !PlainName(std::string_view(line).substr(space + 1))) throw bad();
    const std::string word = line.substr(0, space), name = line.substr(space + 1);
    if (word == "stage" && swap.stage.empty() && name.starts_with(kStagePrefix)) swap.stage = name;
    else if (word == "put") swap.put.push_back(name);
    else if (word == "drop") swap.drop.push_back(name);
    else throw bad();
  }
  if (number == 0 || swap.stage.empty())
    throw PostError(path + ": no staging directory named; move the file away after checking the directory");
  return swap;
}

void SyncDirectory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Carries the journal out; each step may already have been done by a process
// that died, so none insists that its file is still there.
void CarryOut(const std::string& dir, const Swap& swap) {
  const auto fail = [&](const std::string& what, int err) {
    throw PostError(dir + ": " + what + ": " + Reason(err) +
                    "; the new result is only partly in place, and the next run, presolve or solve into " + dir +
                    " finishes it");
  };
  const bool touchesSolution = std::ranges::find(swap.put, SOLFILE) != swap.put.end() ||
                               std::ranges::find(swap.drop, SOLFILE) != swap.drop.end();
  const std::string solution = dir + "/" + SOLFILE;
  if (touchesSolution && ::unlink(solution.c_str()) != 0 && errno != ENOENT) fail("cannot remove " + solution, errno);
  for (const std::string& name : swap.drop) {
    const std::string path = dir + "/" + name;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) fail("cannot remove " + path, errno);
  }
  // The journal lists the solution last.
  for (const std::string& name : swap.put) {
    const std::string from = dir + "/" + swap.stage + "/" + name, to = dir + "/" + name;
    if (::rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT) fail("cannot rename " + from + " to " + to, errno);
  }
  SyncDirectory(dir);
  const std::string journal = dir + "/" + kJournalName;
  if (::unlink(journal.c_str()) != 0 && errno != ENOENT) fail("cannot remove " + journal, errno);
  std::error_code ignored;
  fs::remove_all(dir + "/" + swap.stage, ignored);
}

// What dead transactions left: staging directories (with the lock held, no
// live one but ours can exist) and AtomicFile temporaries of result files.
void RemoveLeftovers(const std::string& dir) {
  std::error_code failed;
  for (fs::directory_iterator it(dir, failed), end; !failed && it != end; it.increment(failed)) {
    const std::string name = it->path().filename().string();
    std::error_code ignored;
    if (name.starts_with(kStagePrefix) && it->is_directory(ignored) && !it->is_symlink(ignored))
      fs::remove_all(it->path(), ignored);
  }
  RemoveAbandonedTemporaries(dir, [](std::string_view target) {
    return IsResultFileName(target) || target == kJournalName;
  });
}

}  // namespace

bool IsResultFileName(std::string_view name) {
  return name == SOLFILE || IsLogFile(name) || IsPointFile(name) || (name.ends_with(".rpt") && PlainName(name));
}

void RefuseEmptyDirectory(const std::string& dir) {
  if (dir.empty())
    throw PostError("the output directory is an empty string; give a directory (. for the current one)");
}

ResultTransaction::ResultTransaction(std::string dir) : dir_(std::move(dir)) {
  RefuseEmptyDirectory(dir_);
  std::error_code failed;
  if (!fs::is_directory(dir_, failed)) {
    fs::create_directories(dir_, failed);
    if (failed) throw PostError(dir_ + ": cannot create the directory: " + failed.message());
  }
  TakeLock();
  try {
    const std::string journal = dir_ + "/" + kJournalName;
    if (fs::exists(journal, failed)) CarryOut(dir_, ReadJournal(journal));
    RemoveLeftovers(dir_);
    std::string pattern = dir_ + "/" + std::string(kStagePrefix) + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
      throw PostError(dir_ + ": cannot create a staging directory: " + Reason(errno));
    stage_ = std::move(pattern);
  } catch (...) {
    ReleaseLock();
    throw;
  }
}

// The lock file goes when the lock is given up, so DIR keeps only the result;
// a waiter that then holds the lock of a removed file opens the new one.
void ResultTransaction::TakeLock() {
  const std::string lock = dir_ + "/" + kLockName;
  for (;;) {
    lockFd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (lockFd_ < 0) throw PostError(lock + ": cannot open the lock file: " + Reason(errno));
    int locked;
    while ((locked = ::flock(lockFd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
      const int err = errno;
      ::close(std::exchange(lockFd_, -1));
      throw PostError(lock + ": cannot lock: " + Reason(err));
    }
    struct stat held {}, named {};
    if (::fstat(lockFd_, &held) == 0 && ::stat(lock.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino)
      return;
    ::close(std::exchange(lockFd_, -1));
  }
}

void ResultTransaction::ReleaseLock() {
  if (lockFd_ < 0) return;
  ::unlink((dir_ + "/" + kLockName).c_str());
  ::close(std::exchange(lockFd_, -1));
}

ResultTransaction::~ResultTransaction() {
  if (!journaled_) {
    std::error_code ignored;
    fs::remove_all(stage_, ignored);
  }
  ReleaseLock();
}

void ResultTransaction::Commit() {
  Swap swap;
  swap.stage = fs::path(stage_).filename().string();
  std::error_code failed;
  for (fs::directory_iterator it(stage_, failed), end; !failed && it != end; it.increment(failed)) {
    const std::string name = it->path().filename().string();
    if (IsResultFileName(name)) swap.put.push_back(name);
  }
  if (failed) throw PostError(stage_ + ": cannot list the staged files: " + failed.message());
  // The solution last: its arrival completes the new result.
  std::stable_partition(swap.put.begin(), swap.put.end(), [](const std::string& name) { return name != SOLFILE; });
  const auto put = [&](std::string_view name) { return std::ranges::find(swap.put, name) != swap.put.end(); };
  const auto exists = [&](std::string_view name) { return fs::exists(dir_ + "/" + std::string(name), failed); };
  const bool newLog = std::ranges::any_of(kLogFiles, put);
  if (newLog && !put(SOLFILE) && exists(SOLFILE)) swap.drop.emplace_back(SOLFILE);
  if (put(SOLFILE) || newLog) {
    const std::string report = ReportOfLog(dir_);
    if (!report.empty() && !put(report)) swap.drop.push_back(report);
    for (std::string_view point : kPointFiles)
      if (!put(point) && exists(point)) swap.drop.emplace_back(point);
  }
  // The commit point: with the journal down the new result is decided.
  ReplaceFile(dir_ + "/" + kJournalName, JournalText(swap));
  journaled_ = true;
  CarryOut(dir_, swap);
}

void ReplaceResult(const std::string& dir, const std::function<void(ResultTransaction&)>& stage) {
  RefuseEmptyDirectory(dir);
  std::unique_ptr<ResultTransaction> txn;
  try {
    txn = std::make_unique<ResultTransaction>(dir);
    stage(*txn);
    txn->Commit();
  } catch (const PostError& e) {
    if (txn && txn->decided()) throw;  // the message says what DIR holds
    throw PostError(std::string(e.what()) + "; " + dir + " keeps its earlier result");
  }
}

void StageSolutionFile(ResultTransaction& txn, const ReducedSolution& sol) {
  ReplaceFile(txn.Staged(SOLFILE), SolutionFileBytes(sol));
}

}  // namespace postsolve
