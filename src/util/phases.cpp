#include "phases.h"

#include <cinttypes>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <sstream>

#include <sys/resource.h>
#include <unistd.h>

namespace postsolve {

double ProcessCpuSeconds() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(use.ru_utime) + seconds(use.ru_stime);
}

long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return use.ru_maxrss;
}

bool ResetPeakResident() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

void PhaseClock::Begin(std::string name) {
  End();
  ResetPeakResident();
  current_ = {std::move(name), std::chrono::steady_clock::now(), ProcessCpuSeconds()};
  open_ = true;
}

void PhaseClock::End() {
  if (!open_) return;
  open_ = false;
  PhaseTiming t;
  t.name = std::move(current_.name);
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - current_.wall).count();
  t.cpu = ProcessCpuSeconds() - current_.cpu;
  t.peakKiB = PeakResidentKiB();
  phases_.push_back(std::move(t));
}

void PrintTimings(const std::vector<PhaseTiming>& phases, std::ostream& out, const char* title) {
  std::ostringstream text;
  text << std::fixed;
  text << std::left << std::setw(22) << title << std::right << std::setw(10) << "wall s" << std::setw(10) << "cpu s"
       << std::setw(12) << "peak MiB" << '\n';
  double wall = 0, cpu = 0;
  long peak = 0;
  for (const PhaseTiming& p : phases) {
    text << std::left << std::setw(22) << p.name << std::right << std::setprecision(3) << std::setw(10) << p.wall
         << std::setw(10) << p.cpu << std::setprecision(1) << std::setw(12) << static_cast<double>(p.peakKiB) / 1024
         << '\n';
    wall += p.wall;
    cpu += p.cpu;
    peak = std::max(peak, p.peakKiB);
  }
  text << std::left << std::setw(22) << "total" << std::right << std::setprecision(3) << std::setw(10) << wall
       << std::setw(10) << cpu << std::setprecision(1) << std::setw(12) << static_cast<double>(peak) / 1024 << '\n';
  out << text.str();
}

Progress::Progress(bool enabled, std::chrono::milliseconds interval, std::FILE* to)
    : enabled_(enabled), interval_(interval), to_(to) {}

Progress::~Progress() { Finish(); }

bool Progress::StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void Progress::Update(const std::string& phase, long done, long total) {
  if (!enabled_) return;
  std::string line = phase + ": " + std::to_string(done);
  if (total > 0) {
    line += " of " + std::to_string(total);
    char percent[16];
    std::snprintf(percent, sizeof percent, " (%ld%%)",
                  static_cast<long>(100.0 * static_cast<double>(done) / static_cast<double>(total)));
    line += percent;
  }
  Show(std::move(line));
}

void Progress::Say(const std::string& text) {
  if (enabled_) Show(text + " ...");
}

void Progress::Show(std::string line) {
  const std::lock_guard<std::mutex> hold(mutex_);
  const auto now = std::chrono::steady_clock::now();
  if (width_ > 0 && now - last_ < interval_) return;
  last_ = now;
  const std::size_t shown = line.size();
  if (shown < width_) line.append(width_ - shown, ' ');
  width_ = shown;
  std::fprintf(to_, "\r%s", line.c_str());
  std::fflush(to_);
}

void Progress::Finish() {
  if (!enabled_) return;
  const std::lock_guard<std::mutex> hold(mutex_);
  if (width_ == 0) return;
  std::fprintf(to_, "\r%s\r", std::string(width_, ' ').c_str());
  std::fflush(to_);
  width_ = 0;
}

}  // namespace postsolve
