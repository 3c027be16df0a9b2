// Phase timings and the progress line.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <thread>
#include <vector>

#include "phases.h"

namespace postsolve {
namespace {

TEST(Phases, EachPhaseHasItsTimeAndItsOwnPeakMemory) {
  PhaseClock clock;
  clock.Begin("big");
  {
    std::vector<char> block(64 << 20);
    std::memset(block.data(), 1, block.size());  // touched: resident
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  clock.Begin("small");
  clock.End();
  clock.End();  // nothing open: no phase added
  ASSERT_EQ(clock.phases().size(), 2u);
  EXPECT_EQ(clock.phases()[0].name, "big");
  EXPECT_GE(clock.phases()[0].wall, 0.02);
  EXPECT_GE(clock.phases()[0].peakKiB, 64 * 1024);
#if !defined(__SANITIZE_ADDRESS__)  // the address sanitizer keeps freed memory resident a while
  if (ResetPeakResident()) {
    EXPECT_LT(clock.phases()[1].peakKiB, clock.phases()[0].peakKiB - 32 * 1024);
  }
#endif
  std::ostringstream text;
  clock.Print(text);
  EXPECT_NE(text.str().find("big"), std::string::npos);
  EXPECT_NE(text.str().find("total"), std::string::npos);
}

std::string Written(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string text;
  for (int ch; (ch = std::fgetc(f)) != EOF;) text += static_cast<char>(ch);
  return text;
}

TEST(Phases, ProgressIsOneRewrittenLineThrottledAndClearedOrNothingAtAll) {
  std::FILE* f = std::tmpfile();
  {
    Progress progress(true, std::chrono::hours(1), f);
    progress.Update("read", 5, 10);
    progress.Update("read", 6, 10);  // within the interval: not shown
    progress.Finish();
  }
  EXPECT_EQ(Written(f), "\rread: 5 of 10 (50%)\r" + std::string(19, ' ') + "\r");
  std::fclose(f);
  f = std::tmpfile();
  {
    Progress quiet(false, std::chrono::milliseconds(0), f);
    quiet.Update("read", 1);
  }
  EXPECT_EQ(Written(f), "");
  std::fclose(f);
}

}  // namespace
}  // namespace postsolve
