// Number formatting for the report, identical to C's printf but without its
// per-call parsing and locale overhead.
#pragma once

#include <charconv>
#include <cstddef>

namespace postsolve {

inline constexpr std::size_t EFMT_MAX = 24;  // longest "%+12e" result, with margin

// Writes v as printf("%+12e") would, returns the end of the text (no NUL).
char* FmtE(char* out, double v);
// Writes v as printf("%d") would. std::to_chars measured faster than two
// digits at a time from a table (bench/fmtint.cpp); 24 bytes hold any long.
inline char* FmtInt(char* out, long v) { return std::to_chars(out, out + 24, v).ptr; }

}  // namespace postsolve
