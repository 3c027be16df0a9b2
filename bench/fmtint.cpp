// Formats the report's line numbers two ways and prints the cost of each:
//   fmtint [COUNT]
// FmtInt (std::to_chars) against two digits at a time from a table, the way
// it was written before, over the numbers 1..COUNT (default 10,000,000) as the
// report writes them. Best of five passes each, in nanoseconds a value.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "numfmt.h"

namespace {

// Line numbers up to eight digits, two at a time from the right.
char* TwoDigitsAtATime(char* out, long v) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  if (v < 0 || v >= 100000000) return std::to_chars(out, out + 24, v).ptr;
  char tmp[8];
  char* p = tmp + 8;
  auto u = static_cast<unsigned long>(v);
  while (u >= 100) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * (u % 100), 2);
    u /= 100;
  }
  if (u >= 10) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * u, 2);
  } else {
    *--p = static_cast<char>('0' + u);
  }
  const auto len = static_cast<std::size_t>(tmp + 8 - p);
  std::memcpy(out, p, len);
  return out + len;
}

template <class Format>
double NsPerValue(long count, Format format) {
  static char buf[1 << 16];
  double best = 1e300;
  unsigned long sink = 0;
  for (int pass = 0; pass < 5; ++pass) {
    const auto t0 = std::chrono::steady_clock::now();
    char* p = buf;
    for (long v = 1; v <= count; ++v) {
      p = format(p, v);
      if (p > buf + sizeof buf - 32) {
        sink += static_cast<unsigned char>(p[-1]);
        p = buf;
      }
    }
    sink += static_cast<unsigned long>(p - buf);
    const std::chrono::duration<double, std::nano> dt = std::chrono::steady_clock::now() - t0;
    best = std::min(best, dt.count() / static_cast<double>(count));
  }
  if (sink == 42) std::puts("");  // keeps the work from being optimised away
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const long count = argc > 1 ? std::atol(argv[1]) : 10'000'000;
  if (count < 1) {
    std::fprintf(stderr, "fmtint: COUNT must be a positive number\n");
    return 2;
  }
  const double chars = NsPerValue(count, [](char* p, long v) { return postsolve::FmtInt(p, v); });
  const double table = NsPerValue(count, TwoDigitsAtATime);
  std::printf("FmtInt (std::to_chars)  %6.2f ns/value\ntwo digits from a table %6.2f ns/value\n", chars, table);
  return 0;
}
