#include "numfmt.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace postsolve {

namespace {

__extension__ typedef unsigned __int128 u128;  // GCC and Clang both have it

// 10^k ~ mant * 2^exp2 with mant in [2^127, 2^128), truncated, for k in
// [kMinPow, kMaxPow]: enough for every finite double's seven-digit scaling.
constexpr int kMinPow = -320, kMaxPow = 345;

struct Pow10 {
  u128 mant;
  int exp2;
};

// Big unsigned integer, 32-bit limbs, least significant first.
using Big = std::vector<std::uint32_t>;

int BitLength(const Big& b) {
  return static_cast<int>(32 * (b.size() - 1)) + std::bit_width(b.back());
}

// The 128 bits of b starting at bit `from`, truncated.
u128 Bits128(const Big& b, int from) {
  u128 r = 0;
  for (int i = 127; i >= 0; --i) {
    const int bit = from + i;
    r <<= 1;
    if (bit >= 0) r |= (b[static_cast<std::size_t>(bit / 32)] >> (bit % 32)) & 1u;
  }
  return r;
}

void Trim(Big& b) {
  while (b.size() > 1 && b.back() == 0) b.pop_back();
}

std::array<Pow10, kMaxPow - kMinPow + 1> MakeTable() {
  std::array<Pow10, kMaxPow - kMinPow + 1> t{};
  Big b{1};  // 10^k, exact
  for (int k = 0; k <= kMaxPow; ++k) {
    const int top = BitLength(b);
    t[static_cast<std::size_t>(k - kMinPow)] = {Bits128(b, top - 128), top - 128};
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : b) {
      const std::uint64_t v = std::uint64_t{limb} * 10 + carry;
      limb = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
    if (carry) b.push_back(static_cast<std::uint32_t>(carry));
  }
  // floor(2^M / 10^k) by repeated division by 10: a floor of a floor is the floor.
  constexpr int M = 1440;
  Big q(M / 32 + 1, 0);
  q.back() = 1u << (M % 32);
  for (int k = 1; k <= -kMinPow; ++k) {
    std::uint64_t rem = 0;
    for (std::size_t i = q.size(); i-- > 0;) {
      const std::uint64_t v = (rem << 32) | q[i];
      q[i] = static_cast<std::uint32_t>(v / 10);
      rem = v % 10;
    }
    Trim(q);
    const int top = BitLength(q);
    t[static_cast<std::size_t>(-k - kMinPow)] = {Bits128(q, top - 128), top - 128 - M};
  }
  return t;
}

// Built on first use: only values the double-precision path leaves need it.
const std::array<Pow10, kMaxPow - kMinPow + 1>& Table() {
  static const auto table = MakeTable();
  return table;
}

// 10^k correctly rounded, for the double-precision path.
constexpr int kFastPow = 290;
std::array<double, 2 * kFastPow + 2> MakeDoubleTable() {
  std::array<double, 2 * kFastPow + 2> t{};
  for (int k = -kFastPow; k <= kFastPow + 1; ++k) {
    const std::string text = "1e" + std::to_string(k);
    t[static_cast<std::size_t>(k + kFastPow)] = std::strtod(text.c_str(), nullptr);
  }
  return t;
}

const std::array<double, 2 * kFastPow + 2> kPow10 = MakeDoubleTable();

constexpr char kDigits2[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// m * 2^e2 * 10^k, split into its integer part and the leading 64 bits of
// its fraction (one half is 2^63). The true fraction lies less than 2^-80
// above the one read (a truncated power, dropped low bits); false when the
// split is out of the range this handles.
bool Scaled(std::uint64_t m, int e2, int k, std::uint64_t& whole, std::uint64_t& frac) {
  const Pow10& p = Table()[static_cast<std::size_t>(k - kMinPow)];
  // m * mant: 192 bits in w2:w1:(dropped low word).
  const u128 lo = static_cast<u128>(m) * static_cast<std::uint64_t>(p.mant);
  const u128 hi = static_cast<u128>(m) * static_cast<std::uint64_t>(p.mant >> 64);
  const u128 mid = (lo >> 64) + static_cast<std::uint64_t>(hi);
  const std::uint64_t w1 = static_cast<std::uint64_t>(mid);
  const std::uint64_t w2 = static_cast<std::uint64_t>((hi >> 64) + (mid >> 64));
  // The binary point sits t bits into w2; t is 34 to 45 for the scalings used.
  const int t = -(p.exp2 + e2) - 128;
  if (t < 17 || t > 63) return false;
  whole = w2 >> t;
  frac = (w2 << (64 - t)) | (w1 >> t);
  return true;
}

// Fractions this near one half (or a whole) are left to the exact path.
constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;
bool NearHalf(std::uint64_t frac) { return frac - (kHalf - 1) <= 1; }

char* Slow(char* out, double a) {
  return std::to_chars(out, out + EFMT_MAX - 1, a, std::chars_format::scientific, 6).ptr;
}

// Writes n (seven digits, or 10^7 after rounding up) as d.dddddde+XX.
char* Digits(char* out, std::uint64_t n, int e10) {
  if (n == 10000000) {  // rounded up into the next decade
    n = 1000000;
    ++e10;
  }
  // n has seven digits: d.dddddd
  const auto n32 = static_cast<std::uint32_t>(n);
  const std::uint32_t head = n32 / 1000000, rest = n32 - head * 1000000;
  const std::uint32_t r1 = rest / 10000, low = rest - r1 * 10000;
  const std::uint32_t r2 = low / 100, r3 = low - r2 * 100;
  out[0] = static_cast<char>('0' + head);
  out[1] = '.';
  std::memcpy(out + 2, kDigits2 + 2 * r1, 2);
  std::memcpy(out + 4, kDigits2 + 2 * r2, 2);
  std::memcpy(out + 6, kDigits2 + 2 * r3, 2);
  out[8] = 'e';
  out[9] = e10 < 0 ? '-' : '+';
  const unsigned ex = static_cast<unsigned>(e10 < 0 ? -e10 : e10);
  if (ex < 100) {
    std::memcpy(out + 10, kDigits2 + 2 * ex, 2);
    return out + 12;
  }
  out[10] = static_cast<char>('0' + ex / 100);
  std::memcpy(out + 11, kDigits2 + 2 * (ex % 100), 2);
  return out + 13;
}

// A positive finite value's digits by the exact path: the scaling in 128-bit
// arithmetic, or the standard library's exact conversion (Slow) for a value
// that scaling cannot place or round.
[[gnu::noinline]] char* ExactE(char* out, double a) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(a);
  const int bexp = static_cast<int>(bits >> 52);
  // a = m * 2^e2 with m's top bit at bit 63.
  std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
  int e2;
  if (bexp == 0) {
    e2 = -1074;
  } else {
    m |= std::uint64_t{1} << 52;
    e2 = bexp - 1075;
  }
  const int shift = std::countl_zero(m);
  m <<= shift;
  e2 -= shift;
  // a lies in [2^(e2+63), 2^(e2+64)): its decimal exponent is est or est + 1,
  // so a * 10^(6 - est) lies in [10^6, 10^8).
  int e10 = ((e2 + 63) * 78913) >> 18;  // floor((e2 + 63) * log10(2))
  std::uint64_t whole, frac;
  if (!Scaled(m, e2, 6 - e10, whole, frac)) return Slow(out, a);
  // Round to seven digits, ties to even; a value too near a tie for the
  // fraction read to decide goes to Slow.
  std::uint64_t n;
  if (whole < 10000000) {
    if (NearHalf(frac)) return Slow(out, a);
    n = whole + (frac > kHalf ? 1 : 0);
  } else {
    // Eight digits: the one dropped and the fraction decide.
    ++e10;
    const std::uint64_t dropped = whole % 10;
    if ((dropped == 5 && frac == 0) || (dropped == 4 && frac == ~std::uint64_t{0})) return Slow(out, a);
    n = whole / 10 + (dropped >= 5 ? 1 : 0);
  }
  return Digits(out, n, e10);
}

}  // namespace

// Zero (nearly every report has many) is written inline, before any of this.
char* NonZeroE(char* out, double v) {
  const char sign = std::signbit(v) ? '-' : '+';
  if (!std::isfinite(v)) {
    // printf pads "+inf" / "-nan" to the field width of 12
    std::memset(out, ' ', 8);
    out[8] = sign;
    std::memcpy(out + 9, std::isnan(v) ? "nan" : "inf", 3);
    return out + 12;
  }
  *out++ = sign;
  const double a = std::fabs(v);
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(a);
  const int bexp = static_cast<int>(bits >> 52);
  // Most values: a * 10^k in double precision errs by under 2.3e-16 of itself,
  // so below 10^7 the rounding is plain unless the fraction is within 1e-8 of
  // one half; the exact path takes the rest.
  int e10 = ((bexp - 1023) * 78913) >> 18;  // the decimal exponent, or one less
  if (bexp != 0 && e10 > -kFastPow + 6 && e10 < kFastPow - 1) {
    double x = a * kPow10[static_cast<std::size_t>(6 - e10 + kFastPow)];
    if (x >= 1e7) {
      ++e10;
      x = a * kPow10[static_cast<std::size_t>(6 - e10 + kFastPow)];
    }
    if (x < 1e7) {
      auto n = static_cast<std::uint64_t>(x);
      const double frac = x - static_cast<double>(n);
      if (std::fabs(frac - 0.5) > 1e-8) return Digits(out, n + (frac > 0.5 ? 1 : 0), e10);
    }
  }
  return ExactE(out, a);
}

namespace {

constexpr std::uint64_t kQuietNan = 0x7ff8000000000000;  // what strtod gives for "nan"

}  // namespace

std::string CaseDouble(double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  if (v != v && (bits & ~(std::uint64_t{1} << 63)) != kQuietNan) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "nan:0x%016llx", static_cast<unsigned long long>(bits));
    return buf;
  }
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;  // 32 bytes hold any shortest form
  return std::string(buf, end);
}

bool ReadCaseDouble(std::string_view text, double& out) {
  if (text.starts_with("nan:0x")) {
    const std::string_view hex = text.substr(6);
    if (hex.size() != 16) return false;
    std::uint64_t bits = 0;
    auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), bits, 16);
    if (ec != std::errc() || end != hex.data() + hex.size()) return false;
    out = std::bit_cast<double>(bits);
    return out != out;  // only NaNs are written this way
  }
  // strtod wants a terminated string: a number's text fits the buffer.
  char buf[64];
  std::string longer;
  const char* start = buf;
  if (text.size() < sizeof buf) {
    text.copy(buf, text.size());
    buf[text.size()] = '\0';
  } else {
    longer = text;
    start = longer.c_str();
  }
  char* end = nullptr;
  out = std::strtod(start, &end);
  return end != start && end == start + text.size();
}

std::string CaseString(std::string_view bytes) {
  std::string out = "\"";
  for (unsigned char ch : bytes) {
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch >= 0x20 && ch < 0x7f) {
      out += static_cast<char>(ch);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", ch);
      out += buf;
    }
  }
  return out + "\"";
}

}  // namespace postsolve
