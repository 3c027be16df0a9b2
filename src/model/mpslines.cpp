#include "mpslines.h"

#include <algorithm>

namespace postsolve::modelfile {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

void Split(std::string_view line, Words& words) {
  words.count = 0;
  const char* p = line.data();
  const char* const end = p + line.size();
  while (words.count <= Words::kKept) {
    while (p < end && IsBlank(*p)) ++p;
    if (p == end) return;
    const char* const first = p;
    while (p < end && !IsBlank(*p)) ++p;
    if (words.count < Words::kKept) words.at[words.count] = std::string_view(first, static_cast<std::size_t>(p - first));
    ++words.count;
  }
}

Fields FixedFields(std::string_view line) {
  static constexpr std::array<std::size_t, 7> kFirst{0, 2, 5, 15, 25, 40, 50}, kLast{0, 3, 12, 22, 36, 47, 61};
  Fields fields;
  for (std::size_t i = 1; i <= 6; ++i) {
    if (line.size() < kFirst[i]) break;
    const std::string_view field = Trimmed(line.substr(kFirst[i] - 1, kLast[i] - kFirst[i] + 1));
    if ((i == 3 || i == 5) && field.starts_with('$')) break;
    fields.f[i] = field;
  }
  return fields;
}

std::vector<std::string_view> WholeLineParts(std::string_view text, std::size_t parts) {
  std::vector<std::string_view> pieces;
  std::size_t begin = 0;
  for (std::size_t p = 1; p <= parts && begin < text.size(); ++p) {
    std::size_t end = text.size();
    if (p < parts) {
      end = text.find('\n', std::max(begin, text.size() / parts * p));
      end = end == std::string_view::npos ? text.size() : end + 1;
    }
    pieces.push_back(text.substr(begin, end - begin));
    begin = end;
  }
  return pieces;
}

}  // namespace postsolve::modelfile
