// Searching for rows or columns that are exact multiples of one another:
// used by the duplicate row and the duplicate column searches.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "work.h"

namespace postsolve::presolve {

Pattern MakePattern(int owner, const Entries& list) {
  Pattern p{owner, list, 0};
  std::sort(p.entries.begin(), p.entries.end());
  const double first = p.entries.front().second;
  std::uint64_t h = p.entries.size();
  for (const auto& [index, value] : p.entries) {
    // the ratio rounded to single precision: exact multiples share it
    const float ratio = static_cast<float>(value / first);
    std::uint32_t bits;
    std::memcpy(&bits, &ratio, sizeof bits);
    h = (h ^ static_cast<std::uint64_t>(index)) * 0x100000001b3ULL;
    h = (h ^ bits) * 0x100000001b3ULL;
  }
  p.key = h;
  return p;
}

double ExactMultiple(const Entries& r, const Entries& s) {
  if (r.size() != s.size() || r.empty()) return 0;
  const double v = s.front().second / r.front().second;
  for (std::size_t q = 0; q < r.size(); ++q)
    if (r[q].first != s[q].first || s[q].second != v * r[q].second) return 0;
  return v;
}

void ForEachCandidatePair(std::vector<Pattern>& patterns,
                          const std::function<bool(const Pattern& r, const Pattern& s)>& pair) {
  constexpr std::size_t kTries = 4;  // earlier members of the group compared with each
  std::sort(patterns.begin(), patterns.end(), [](const Pattern& a, const Pattern& b) {
    return a.key != b.key ? a.key < b.key : a.owner < b.owner;
  });
  std::size_t groupStart = 0;
  for (std::size_t q = 0; q < patterns.size(); ++q) {
    if (patterns[q].key != patterns[groupStart].key) groupStart = q;
    for (std::size_t p = q > groupStart + kTries ? q - kTries : groupStart; p < q; ++p)
      if (pair(patterns[p], patterns[q])) break;
  }
}

}  // namespace postsolve::presolve
