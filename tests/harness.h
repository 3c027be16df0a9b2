// Shared test helpers: scratch directories, running the real executable,
// and replaying single records in-process.
#pragma once

#include <sys/types.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "casefile.h"
#include "report.h"

using namespace postsolve;
using enum postsolve::RecordCode;

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string Read(const std::string& name) const;
  void Write(const std::string& name, const std::string& bytes) const;
  bool Exists(const std::string& name) const;
  std::vector<std::string> List() const;  // sorted entry names
  static std::vector<std::string> ListOf(const std::string& dir);

 private:
  std::string path_;
};

struct RunResult {
  int status = -1;
  std::string out, err;
};

// Runs the postsolve executable in `dir`; `fsizeLimit` > 0 caps the size of
// files it may write (writes beyond fail as on a full disk). Every child
// starts with every signal at its default disposition, as from a shell.
RunResult RunPostsolve(const std::string& dir, long fsizeLimit = 0);
// Starts it without waiting (WaitFor collects it). With fsizeLimit > 0 the
// child is forked to set its limits: the file size, and no core files.
pid_t StartPostsolve(const std::string& dir, const std::string& outPath, const std::string& errPath,
                     long fsizeLimit = 0);
// In a forked child before exec: every signal to its default, none blocked.
void ResetSignalsForExec();
// Runs the executable `exe` with the arguments, its standard output and error
// captured through files in `scratch`.
RunResult RunProgram(const std::string& exe, const TempDir& scratch, std::vector<std::string> args);
// Waits for a child whose standard output and error go to the two files.
RunResult WaitFor(pid_t pid, const std::string& outPath, const std::string& errPath);
// Writes the case's three files into dir and runs postsolve there.
RunResult RunCase(const TempDir& dir, std::string_view caseText);

std::string ReadFile(const std::string& path);
// The elapsed-time line with its figure replaced by 0.00.
std::string MaskTime(std::string log);
int CountLines(const std::string& text);

// The standard output of a run that failed: the banner alone.
extern const char* const kBanner;

// A state with COLMAP and ROWMAP replayed: ncols columns, rows of the given
// types, all values zero.
PostData Space(int ncols, const std::string& rtypes);
// Replays one record written in case syntax (e.g. "NULROW 2") on pd.
void Apply(PostData& pd, std::string_view record);

// ---- whole cases and their damage ----

// The little-endian int32 at byte `at` of `bytes`.
int I32(const std::string& bytes, std::size_t at);
// The record offsets a case's offset stack lists (its count left off).
std::vector<std::size_t> Offsets(const CaseFiles& f);
// The same records, each with its bytes up to the next record in the file,
// placed in the file in the given order (the name section travels with record 0).
CaseFiles Arrange(const CaseFiles& f, const std::vector<std::size_t>& order);
// Arranged in replay order: record 0 and its names first, then the records
// from the last to record 1, so that a cut inside record k leaves whole every
// record replayed before it.
CaseFiles InReplayOrder(const CaseFiles& f);
// The text of tests/cases/NAME.case.
std::string CaseText(const std::string& name);
// The three input files of a directory.
CaseFiles ReadCaseFiles(const std::string& dir);
// One of the three files of a case, by its name.
std::string& FileOf(CaseFiles& f, const std::string& name);
const std::string& FileOf(const CaseFiles& f, const std::string& name);

// Makes `dir` the working directory for the object's lifetime.
class InDir {
 public:
  explicit InDir(const std::string& dir);
  ~InDir();
  InDir(const InDir&) = delete;
  InDir& operator=(const InDir&) = delete;

 private:
  std::filesystem::path back_;
};

// Calls fn(dir, i) for every i below n on a few threads; each thread has its
// own scratch directory. For runs of the executable, which cost milliseconds.
void ForEachInParallel(std::size_t n, const std::function<void(const TempDir&, std::size_t)>& fn);

// How a whole run ended, whichever way it was made.
struct Outcome {
  int status = -1;           // 0 complete, 2 complete with warnings, 1 failed
  std::string message;       // a failure's message, without "postsolve: " and the newline
  std::string reportName;    // a completed run's report
  std::string report;
  std::vector<std::string> warnings;
};
std::ostream& operator<<(std::ostream& os, const Outcome& o);
// Same status, message, warnings and report.
bool operator==(const Outcome& a, const Outcome& b);

// The run in-process from memory: Replay(pd, files), then OutRept(pd) in
// `dir`, which must hold nothing else afterwards than the report (and is left
// empty). Fails the calling test if the scratch directory is left dirty.
Outcome RunInMemory(const CaseFiles& files, const TempDir& dir);
// Runs the executable on `files` in `dir` and checks the contract every run
// keeps: either it completes (status 0 or 2, the full log, one warning line
// per warning, the whole report and nothing else beside the inputs) or it
// fails cleanly (status 1, the banner alone on standard output, one line
// "postsolve: ..." on standard error, no report, no temporary file). The
// outcome goes to `out`; the report is removed afterwards.
testing::AssertionResult RunsCleanly(const CaseFiles& files, const TempDir& dir, Outcome& out,
                                     long fsizeLimit = 0);

// ---- how much of the damage a run tries ----

// An optimised build tries every damage position. Under the sanitizers, where
// each run costs tens of times more, a seeded sample stands in: every position
// still gets damaged, but with one of its replacement values, and one cut
// length out of each short stretch. The seed is new for every process and is
// printed, so a failure can be repeated:
//   POSTSOLVE_DAMAGE_SEED=N   draws the sample from seed N
//   POSTSOLVE_FULL_DAMAGE=1   tries everything, as the optimised build does
// Not thread-safe: draw the sample before handing the runs to threads.
class DamageSample {
 public:
  // The process's sample, set up from the environment on first use.
  static DamageSample& Get();
  DamageSample(bool full, std::uint64_t seed) : full_(full), seed_(seed), rng_(seed) {}
  bool full() const { return full_; }
  std::uint64_t seed() const { return seed_; }
  // Everything, or one item picked at random from each run of `stretch`
  // consecutive items: the sample still reaches every part of `all`.
  template <class T>
  std::vector<T> Thin(const std::vector<T>& all, std::size_t stretch) {
    if (full_ || stretch <= 1) return all;
    std::vector<T> some;
    for (std::size_t first = 0; first < all.size(); first += stretch) {
      const std::size_t count = std::min(stretch, all.size() - first);
      some.push_back(all[first + std::uniform_int_distribution<std::size_t>(0, count - 1)(rng_)]);
    }
    return some;
  }
  // A note for failure messages: how to run this sample again, or nothing.
  std::string Repeat() const;

 private:
  bool full_;
  std::uint64_t seed_;
  std::mt19937_64 rng_;
};
