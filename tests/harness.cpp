#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

const char* const kBanner =
    "\n ===============================\n POST SOLVER ( D R A V -- 1997 )\n"
    " ===============================\n\n";

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "postsolve-test-XXXXXX").string();
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

std::vector<std::string> TempDir::List() const {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
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

RunResult RunPostsolve(const std::string& dir, long fsizeLimit) {
  const std::string outPath = dir + "/.stdout", errPath = dir + "/.stderr";
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int e = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (o < 0 || e < 0) ::_exit(126);
    ::dup2(o, 1);
    ::dup2(e, 2);
    if (fsizeLimit > 0) {
      ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
      struct rlimit lim {static_cast<rlim_t>(fsizeLimit), static_cast<rlim_t>(fsizeLimit)};
      ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    ::execl(POSTSOLVE_EXE, "postsolve", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  RunResult r;
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  fs::remove(outPath);
  fs::remove(errPath);
  return r;
}

RunResult RunCase(const TempDir& dir, std::string_view caseText) {
  WriteCaseFiles(ParseCase(caseText), dir.path());
  return RunPostsolve(dir.path());
}

std::string MaskTime(std::string log) {
  static const std::regex line(R"( elapse time \.+ [0-9]+\.[0-9]{2} sec)");
  return std::regex_replace(log, line, " elapse time " + LeftDots(" 0.00 sec", 41));
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
