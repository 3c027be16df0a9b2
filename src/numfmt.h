// Number formatting for the report, identical to C's printf but without its
// per-call parsing and locale overhead.
#pragma once

#include <cstddef>

namespace postsolve {

inline constexpr std::size_t EFMT_MAX = 24;  // longest "%+12e" result, with margin

// Writes v as printf("%+12e") would, returns the end of the text (no NUL).
char* FmtE(char* out, double v);
// Writes v as printf("%d") would.
char* FmtInt(char* out, long v);

}  // namespace postsolve
