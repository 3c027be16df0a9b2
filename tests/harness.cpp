#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

const char* const kBanner =
    "\n ===============================\n POST SOLVER ( D R A V -- 1997 )\n"
    " ===============================\n\n";

namespace {

// Where scratch directories go: TMPDIR when set, else memory when it has room,
// else the system's temporary directory. The damage batteries write tens of
// thousands of reports, and on a disk the fsync of each costs more than the
// replay that made it.
const fs::path& ScratchRoot() {
  static const fs::path root = [] {
    if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir && *tmpdir) return fs::path(tmpdir);
    struct statvfs memory {};
    if (::statvfs("/dev/shm", &memory) == 0 && ::access("/dev/shm", W_OK | X_OK) == 0 &&
        static_cast<unsigned long long>(memory.f_bavail) * memory.f_frsize >= (2ULL << 30))
      return fs::path("/dev/shm");
    return fs::temp_directory_path();
  }();
  return root;
}

}  // namespace

TempDir::TempDir() {
  std::string tmpl = (ScratchRoot() / "postsolve-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::Read(const std::string& name) const { return ReadFile(File(name)); }

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool TempDir::Exists(const std::string& name) const { return fs::exists(File(name)); }

std::vector<std::string> TempDir::List() const { return ListOf(path_); }

std::vector<std::string> TempDir::ListOf(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {

// Every signal at its default disposition and none blocked, as a shell
// starts a program, whatever this process (or whoever started the tests) set.
struct DefaultSignals {
  posix_spawnattr_t attr;
  DefaultSignals() {
    ::posix_spawnattr_init(&attr);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    ::posix_spawnattr_setsigdefault(&attr, &all);
    ::posix_spawnattr_setsigmask(&attr, &none);
    ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }
  ~DefaultSignals() { ::posix_spawnattr_destroy(&attr); }
};

}  // namespace

void ResetSignalsForExec() {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int sig = 1; sig < NSIG; ++sig) ::signal(sig, SIG_DFL);
}

// Without a file-size limit the child is spawned without copying this
// process, which under the sanitizers is large and slow to fork.
pid_t StartPostsolve(const std::string& dir, const std::string& outPath, const std::string& errPath,
                     long fsizeLimit) {
  if (fsizeLimit <= 0) {
    DefaultSignals defaults;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    ::posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    char arg0[] = "postsolve";
    char* argv[] = {arg0, nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, POSTSOLVE_EXE, &actions, &defaults.attr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("posix_spawn failed");
    return pid;
  }
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int e = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (o < 0 || e < 0) ::_exit(126);
    ::dup2(o, 1);
    ::dup2(e, 2);
    // SIGXFSZ stays at its default: the program itself must turn a write
    // past the limit into its ordinary write error.
    struct rlimit lim {static_cast<rlim_t>(fsizeLimit), static_cast<rlim_t>(fsizeLimit)};
    ::setrlimit(RLIMIT_FSIZE, &lim);
    struct rlimit noCore {0, 0};  // a signal that dumps core leaves no file behind
    ::setrlimit(RLIMIT_CORE, &noCore);
    ResetSignalsForExec();
    ::execl(POSTSOLVE_EXE, "postsolve", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

RunResult RunPostsolve(const std::string& dir, long fsizeLimit) {
  TempDir capture;  // beside, not in, the run's directory, which may refuse new files
  const std::string outPath = capture.File("stdout"), errPath = capture.File("stderr");
  return WaitFor(StartPostsolve(dir, outPath, errPath, fsizeLimit), outPath, errPath);
}

RunResult RunProgram(const std::string& exe, const TempDir& scratch, std::vector<std::string> args) {
  const std::string outPath = scratch.File(".run-out"), errPath = scratch.File(".run-err");
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::string arg0 = std::filesystem::path(exe).filename().string();
  std::vector<char*> argv{arg0.data()};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  DefaultSignals defaults;
  const int rc = ::posix_spawn(&pid, exe.c_str(), &actions, &defaults.attr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("posix_spawn failed");
  return WaitFor(pid, outPath, errPath);
}

RunResult WaitFor(pid_t pid, const std::string& outPath, const std::string& errPath) {
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  RunResult r;
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  return r;
}

RunResult RunCase(const TempDir& dir, std::string_view caseText) {
  WriteCaseFiles(ParseCase(caseText), dir.path());
  return RunPostsolve(dir.path());
}

namespace {

// Length of the elapsed-time text at `at` (" elapse time ... 1.23 sec"), or 0.
std::size_t ElapsedTimeAt(std::string_view log, std::size_t at) {
  static constexpr std::string_view kLead = " elapse time ";
  auto isDigit = [&](std::size_t i) { return i < log.size() && log[i] >= '0' && log[i] <= '9'; };
  if (log.substr(at, kLead.size()) != kLead) return 0;
  std::size_t i = at + kLead.size();
  const std::size_t dots = i;
  while (i < log.size() && log[i] == '.') ++i;
  if (i == dots || i >= log.size() || log[i++] != ' ' || !isDigit(i)) return 0;
  while (isDigit(i)) ++i;
  if (i >= log.size() || log[i++] != '.' || !isDigit(i) || !isDigit(i + 1)) return 0;
  i += 2;
  return log.substr(i, 4) == " sec" ? i + 4 - at : 0;
}

}  // namespace

std::string MaskTime(std::string log) {
  const std::string masked = " elapse time " + LeftDots(" 0.00 sec", 41);
  std::string out;
  std::size_t copied = 0;
  for (std::size_t at = log.find(" elapse time "); at != std::string::npos; at = log.find(" elapse time ", at + 1)) {
    if (const std::size_t length = ElapsedTimeAt(log, at)) {
      out.append(log, copied, at - copied).append(masked);
      copied = at + length;
      at = copied - 1;
    }
  }
  return out.append(log, copied, std::string::npos);
}

int CountLines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

PostData Space(int ncols, const std::string& rtypes) {
  PostData pd;
  pd.n = ncols;
  pd.m = static_cast<int>(rtypes.size());
  pd.rtype.assign(rtypes.begin(), rtypes.end());
  pd.x = dAlloc(static_cast<std::size_t>(ncols));
  pd.z = dAlloc(static_cast<std::size_t>(ncols));
  pd.y = dAlloc(rtypes.size());
  pd.cmapn = ncols;
  pd.rmapn = pd.m;
  pd.colmapped = pd.rowmapped = true;
  return pd;
}

void Apply(PostData& pd, std::string_view record) {
  CaseFiles files = ParseCase("solution 0 0 0\n" + std::string(record));
  pd.fbin = MemIn(BINFILE, files.bin);
  pd.fbin.enter(0, 0);
  pd.fbin.seek(0);
  PostSol(iGet(pd.fbin), pd);
}

// ---- whole cases and their damage ----

int I32(const std::string& bytes, std::size_t at) {
  unsigned v = 0;
  for (int b = 3; b >= 0; --b) v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(b)]);
  return static_cast<int>(v);
}

std::vector<std::size_t> Offsets(const CaseFiles& f) {
  std::vector<std::size_t> off;
  for (std::size_t at = 0; at + 4 < f.stk.size(); at += 4) off.push_back(static_cast<std::size_t>(I32(f.stk, at)));
  return off;
}

CaseFiles Arrange(const CaseFiles& f, const std::vector<std::size_t>& order) {
  std::vector<std::size_t> off = Offsets(f), sorted = off;
  std::vector<int> moved(off.size());
  std::sort(sorted.begin(), sorted.end());
  sorted.push_back(f.bin.size());
  CaseFiles g = f;
  g.bin.clear();
  for (std::size_t i : order) {
    const std::size_t end = *std::upper_bound(sorted.begin(), sorted.end(), off[i]);
    moved[i] = static_cast<int>(g.bin.size());
    g.bin += f.bin.substr(off[i], end - off[i]);
  }
  g.stk = StackBytes(moved);
  return g;
}

CaseFiles InReplayOrder(const CaseFiles& f) {
  std::vector<std::size_t> order{0};
  for (std::size_t i = Offsets(f).size() - 1; i >= 1; --i) order.push_back(i);
  return Arrange(f, order);
}

std::string CaseText(const std::string& name) {
  return ReadFile(std::string(SOURCE_DIR) + "/tests/cases/" + name + ".case");
}

CaseFiles ReadCaseFiles(const std::string& dir) {
  return {ReadFile(dir + "/" + SOLFILE), ReadFile(dir + "/" + STKFILE), ReadFile(dir + "/" + BINFILE)};
}

std::string& FileOf(CaseFiles& f, const std::string& name) {
  return name == SOLFILE ? f.sol : name == STKFILE ? f.stk : f.bin;
}

const std::string& FileOf(const CaseFiles& f, const std::string& name) {
  return name == SOLFILE ? f.sol : name == STKFILE ? f.stk : f.bin;
}

InDir::InDir(const std::string& dir) : back_(fs::current_path()) { fs::current_path(dir); }
InDir::~InDir() { fs::current_path(back_); }

void ForEachInParallel(std::size_t n, const std::function<void(const TempDir&, std::size_t)>& fn) {
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    TempDir dir;
    for (std::size_t i; (i = next++) < n;) fn(dir, i);
  };
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < std::clamp(std::thread::hardware_concurrency(), 2u, 4u); ++t) pool.emplace_back(work);
  for (std::thread& t : pool) t.join();
}

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  os << "status " << o.status;
  if (!o.message.empty()) os << ", \"" << o.message << "\"";
  if (!o.reportName.empty()) os << ", report " << o.reportName << " of " << o.report.size() << " bytes";
  for (const std::string& w : o.warnings) os << "\n  warning: " << w;
  return os;
}

bool operator==(const Outcome& a, const Outcome& b) {
  return a.status == b.status && a.message == b.message && a.reportName == b.reportName &&
         a.report == b.report && a.warnings == b.warnings;
}

namespace {

const char* const kReportEnd =
    "\n------------------------------------ EOF ------------------------------------\n";

}  // namespace

Outcome RunInMemory(const CaseFiles& files, const TempDir& dir) {
  Outcome o;
  {
    InDir in(dir.path());
    try {
      PostData pd;
      Replay(pd, files);
      o.reportName = OutRept(pd);
      o.warnings = pd.warnings.Lines();
      o.status = pd.warnings.empty() ? 0 : 2;
    } catch (const PostError& e) {
      o.status = 1;
      o.message = e.what();
    } catch (const std::bad_alloc&) {
      o.status = 1;
      o.message = "out of memory";
    }
  }
  std::vector<std::string> left = dir.List();
  if (o.status != 1 && left == std::vector<std::string>{o.reportName}) {
    o.report = dir.Read(o.reportName);
    if (!o.report.ends_with(kReportEnd)) ADD_FAILURE() << "report cut short: " << o;
    left.clear();
  }
  for (const std::string& name : left) ADD_FAILURE() << name << " left behind: " << o;
  for (const auto& e : fs::directory_iterator(dir.path())) fs::remove(e.path());
  return o;
}

testing::AssertionResult RunsCleanly(const CaseFiles& files, const TempDir& dir, Outcome& out,
                                     long fsizeLimit) {
  WriteCaseFiles(files, dir.path());
  const RunResult r = RunPostsolve(dir.path(), fsizeLimit);
  out = Outcome();
  out.status = r.status;
  std::vector<std::string> made;
  for (const std::string& name : dir.List())
    if (name != SOLFILE && name != STKFILE && name != BINFILE) made.push_back(name);
  std::string why;
  if (r.status == 1) {
    if (r.out != kBanner && r.out != kBanner + std::string(" err data for duplicate column.\n"))
      why = "standard output is not the banner alone";
    else if (CountLines(r.err) != 1 || r.err.back() != '\n' || !r.err.starts_with("postsolve: "))
      why = "standard error is not one line 'postsolve: ...'";
    else if (!made.empty())
      why = "a failed run left " + made.front() + " behind";
    else
      out.message = r.err.substr(11, r.err.size() - 12);
  } else if (r.status == 0 || r.status == 2) {
    if (made.size() == 1) out.reportName = made.front();
    if (made.size() != 1) why = "the directory holds other files than one report";
    else if (!r.out.starts_with(kBanner + (" report file name " + LeftDots(out.reportName, 36)) + "\n\n"))
      why = "standard output does not name the report";
    std::size_t at = 0;
    for (std::size_t nl; why.empty() && (nl = r.err.find('\n', at)) != std::string::npos; at = nl + 1) {
      const std::string line = r.err.substr(at, nl - at);
      if (!line.starts_with("postsolve: warning: ")) why = "standard error holds more than warnings";
      else out.warnings.push_back(line.substr(20));
    }
    if (!why.empty()) {
    } else if (at != r.err.size() || out.warnings.empty() != (r.status == 0)) {
      why = "warnings do not match the exit status";
    } else if (!r.out.ends_with(" ================= END OF POSTSOLVER =================\n\n")) {
      why = "the log is cut short";
    } else {
      out.report = dir.Read(out.reportName);
      if (!out.report.ends_with(kReportEnd)) why = "the report is cut short";
    }
  } else {
    why = "exit status " + std::to_string(r.status);
  }
  for (const std::string& name : made) fs::remove(dir.File(name));
  if (why.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << why << "\n  status " << r.status << "\n  stderr: " << r.err
                                     << "  stdout: " << r.out;
}

namespace {

// Whether this build runs under the address sanitizer (which the sanitizer
// build always pairs with the undefined-behaviour one).
constexpr bool kSanitized =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

}  // namespace

DamageSample& DamageSample::Get() {
  static DamageSample sample = [] {
    const char* fullVar = std::getenv("POSTSOLVE_FULL_DAMAGE");
    const bool full = !kSanitized || (fullVar && *fullVar && std::string(fullVar) != "0");
    std::uint64_t seed = std::random_device{}();
    if (const char* seedVar = std::getenv("POSTSOLVE_DAMAGE_SEED")) {
      const std::string_view text(seedVar);
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
      if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        throw std::invalid_argument("POSTSOLVE_DAMAGE_SEED must be a non-negative integer, not '" + std::string(text) + "'");
    }
    if (!full)
      std::cout << "damage sample: seed " << seed
                << " (POSTSOLVE_DAMAGE_SEED=" << seed << " repeats it, POSTSOLVE_FULL_DAMAGE=1 tries everything)\n";
    return DamageSample(full, seed);
  }();
  return sample;
}

std::string DamageSample::Repeat() const {
  return full_ ? std::string() : " (sampled: POSTSOLVE_DAMAGE_SEED=" + std::to_string(seed_) + " repeats it)";
}
