// Where a long command spends its time: wall and CPU seconds and peak memory
// of each phase, and a progress line on standard error that a person at a
// terminal sees update and a script never gets.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "postsolve/timing.h"

namespace postsolve {

// One line a phase: name, wall and CPU seconds, peak memory; then the total.
// `title` heads the names' column.
void PrintTimings(const std::vector<PhaseTiming>& phases, std::ostream& out, const char* title = "phase");

// Phases one after another: Begin ends the one before. The peak memory of a
// phase is the process's own high-water mark, reset as the phase begins where
// the system allows it (Linux's clear_refs), else the mark since the start.
class PhaseClock {
 public:
  void Begin(std::string name);
  void End();  // ends the current phase, if any
  const std::vector<PhaseTiming>& phases() const { return phases_; }
    void Print(std::ostream& out) const { PrintTimings(phases_, out); }

 private:
  struct Open {
    std::string name;
    std::chrono::steady_clock::time_point wall;
    double cpu = 0;
  };
  std::vector<PhaseTiming> phases_;
  bool open_ = false;
  Open current_;
};

// The process's CPU seconds so far, every thread.
double ProcessCpuSeconds();
// The resident-memory high-water mark in KiB, and its reset (false where the
// system cannot reset it).
long PeakResidentKiB();
bool ResetPeakResident();

// A progress line on standard error: "\rTEXT" rewritten at most every
// `interval`, cleared at the end. Quiet unless enabled (by default, when
// standard error is a terminal). Safe to call from several threads.
class Progress {
 public:
  explicit Progress(bool enabled, std::chrono::milliseconds interval = std::chrono::milliseconds(250),
                    std::FILE* to = stderr);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // `phase` at `done` of `total` (total 0: a count without an end).
  void Update(const std::string& phase, long done, long total = 0);
  void Say(const std::string& text);  // the line, without a count
  void Finish();  // clears the line
  bool enabled() const { return enabled_; }
  static bool StderrIsTerminal();

 private:
  void Show(std::string line);
  bool enabled_;
  std::chrono::milliseconds interval_;
  std::FILE* to_;
  std::mutex mutex_;
  std::chrono::steady_clock::time_point last_{};
  std::size_t width_ = 0;  // of the line on screen, to blank it out
};

}  // namespace postsolve
