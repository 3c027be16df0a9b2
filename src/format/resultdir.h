// A result directory (the log dravfile.bin and .stk, reduced.mps,
// problem.json, the solution dravfile.sol, the reports NAME.rpt) replaced as
// one transaction, so that a kill, a full disk or a failing stage leaves
// either the earlier complete result or the new one, never a mix.
//
// A transaction takes DIR/.postsolve.lock (flock; a second one into DIR
// waits; the file goes with the lock), finishes a swap a killed predecessor left, removes what dead runs
// left (staging directories, unfinished AtomicFile temporaries of the
// result's names) and makes a staging directory DIR/.postsolve-stage.XXXXXX.
// The stage writes its files there. Commit writes the journal
// DIR/.postsolve.swap, naming every file that goes in and every file of the
// earlier result that the new files make stale; from then on the new result
// is decided: the journal is carried out and removed, and should the process
// die first the next transaction into DIR carries it out. While it is carried
// out DIR has no dravfile.sol (that goes first and comes back last), so
// nothing can replay a log of one result with the solution of another.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "postsolve/logwriter.h"

namespace postsolve {

class ResultTransaction {
 public:
  // Throws PostError for an empty DIR, a DIR that cannot be made, a lock
  // that cannot be taken, a journal that cannot be carried out.
  explicit ResultTransaction(std::string dir);
  // Uncommitted: the staging directory goes, DIR stays as it was.
  ~ResultTransaction();
  ResultTransaction(const ResultTransaction&) = delete;
  ResultTransaction& operator=(const ResultTransaction&) = delete;

  const std::string& dir() const { return dir_; }
  const std::string& stage() const { return stage_; }
  // Where the stage writes the result file `name`.
  std::string Staged(std::string_view name) const { return stage_ + "/" + std::string(name); }

  // Every staged file replaces its namesake in DIR. Files of the earlier
  // result the new ones make stale are removed: a new log (any of
  // dravfile.bin, .stk, reduced.mps, problem.json) takes the old solution
  // with it, a new or removed solution the old log's report (the NAME.rpt
  // the postsolve program writes from it). Other files are left alone.
  void Commit();
  // The journal is down: the new result is DIR's, whether or not Commit
  // finished carrying it out.
  bool decided() const { return journaled_; }

 private:
  void TakeLock();
  void ReleaseLock();
  std::string dir_, stage_;
  int lockFd_ = -1;
  bool journaled_ = false;  // the journal is down: the stage is no longer ours to remove
};

// Refuses an empty DIR (PostError).
void RefuseEmptyDirectory(const std::string& dir);

// Opens a transaction on DIR, runs `stage` on it and commits. A failure
// before the commit is thrown again as "WHAT; DIR keeps its earlier result".
void ReplaceResult(const std::string& dir, const std::function<void(ResultTransaction&)>& stage);

// The solution file's bytes (SolutionFileBytes) staged as DIR's dravfile.sol.
void StageSolutionFile(ResultTransaction& txn, const ReducedSolution& sol);

// A result file's name: the five fixed names, or a report's NAME.rpt.
bool IsResultFileName(std::string_view name);

}  // namespace postsolve
