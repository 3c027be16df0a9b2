// MPS lines taken apart: words split at blanks (free MPS), fields by column
// position (fixed MPS), and a block of whole lines cut into parts.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "modeltext.h"

namespace postsolve::modelfile {

inline bool IsBlank(char c) { return IsMpsBlank(c); }

std::string_view Trimmed(std::string_view s);

// A line's words, split at blanks: the first kKept kept, all counted (up to
// one past kKept).
struct Words {
  static constexpr std::size_t kKept = 8;
  std::array<std::string_view, kKept> at{};
  std::size_t count = 0;
};
void Split(std::string_view line, Words& words);

// The six fields of a data line, numbered from 1 as fixed MPS numbers them
// (type, name, name, number, name, number); empty when absent.
struct Fields {
  std::array<std::string_view, 7> f{};
  bool hashed = false;  // hash holds the hashes of the names in fields 3 and 5
  std::array<std::size_t, 2> hash{};
};

// Fixed MPS: the fields by column (2-3, 5-12, 15-22, 25-36, 40-47, 50-61,
// counted from 1), each without the blanks around it (a name may hold blanks
// inside). Field 3 or 5 starting with '$' begins a comment.
Fields FixedFields(std::string_view line);

// `text` (whole lines, the last ending in '\n') in `parts` pieces of whole
// lines and about equal length, in order; fewer when it has fewer lines.
std::vector<std::string_view> WholeLineParts(std::string_view text, std::size_t parts);

}  // namespace postsolve::modelfile
