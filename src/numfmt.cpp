#include "numfmt.h"

#include <charconv>
#include <cmath>
#include <cstring>

char* FmtE(char* out, double v) {
  const char sign = std::signbit(v) ? '-' : '+';
  if (!std::isfinite(v)) {
    // printf pads "+inf" / "-nan" to the field width of 12
    std::memset(out, ' ', 8);
    out[8] = sign;
    std::memcpy(out + 9, std::isnan(v) ? "nan" : "inf", 3);
    return out + 12;
  }
  *out++ = sign;
  // to_chars with a precision rounds exactly as printf does; the result is
  // at least 12 characters, so the field width never pads.
  auto res = std::to_chars(out, out + EFMT_MAX - 1, std::fabs(v), std::chars_format::scientific, 6);
  return res.ptr;
}

char* FmtInt(char* out, long v) {
  return std::to_chars(out, out + 24, v).ptr;
}
