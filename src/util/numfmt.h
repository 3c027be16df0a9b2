// Number and text formatting: the report's numbers, identical to C's printf but
// without its per-call parsing and locale overhead, and the shortest text that
// reads back to the same double, used by every text the tools write.
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace postsolve {

inline constexpr std::size_t EFMT_MAX = 24;  // longest "%+12e" result, with margin

// FmtE for a value other than zero.
char* NonZeroE(char* out, double v);
// Writes v as printf("%+12e") would, returns the end of the text (no NUL).
inline char* FmtE(char* out, double v) {
  if (v != 0) return NonZeroE(out, v);
  std::memcpy(out, std::signbit(v) ? "-0.000000e+00" : "+0.000000e+00", 13);
  return out + 13;
}
// Writes v as printf("%d") would. std::to_chars measured faster than two
// digits at a time from a table (bench/fmtint.cpp); 24 bytes hold any long.
inline char* FmtInt(char* out, long v) { return std::to_chars(out, out + 24, v).ptr; }

// A double in the case syntax that reads back to the same bits: the shortest
// round-trip form (std::to_chars: -0, inf, -inf, nan, -nan included), or
// nan:0x.. for a NaN other than the plain quiet one.
std::string CaseDouble(double v);
// Reads a double written in the case syntax; false if `text` is not one.
bool ReadCaseDouble(std::string_view text, double& out);
// Bytes as a quoted case string: printable ASCII as is, the rest as \xHH.
std::string CaseString(std::string_view bytes);

}  // namespace postsolve
