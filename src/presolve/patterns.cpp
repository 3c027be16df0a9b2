// Searching for rows or columns that are exact multiples of one another:
// used by the duplicate row and the duplicate column searches.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "work.h"

namespace postsolve::presolve {

namespace {

std::uint64_t Mix(std::uint64_t x) {
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

// Each entry's index beside its ratio to the entry of the lowest index,
// rounded to single precision (exact multiples share the ratios), summed
// so that the order of the entries does not matter.
std::uint64_t PatternKey(EntrySpan list) {
  const auto first = std::min_element(list.begin(), list.end(), [](const auto& a, const auto& b) {
                       return a.first < b.first;
                     })->second;
  std::uint64_t h = Mix(list.size());
  for (const auto& [index, value] : list) {
    const float ratio = static_cast<float>(value / first);
    std::uint32_t bits;
    std::memcpy(&bits, &ratio, sizeof bits);
    h += Mix((static_cast<std::uint64_t>(static_cast<std::uint32_t>(index)) << 32) | bits);
  }
  return h;
}

// The positions of the keys that occur more than once, in order: counted
// up to twice in an open-addressed table of the keys, at most three
// quarters full (key 0 marks an empty slot, so it counts as 1). A key's
// slot is fetched a few keys ahead of its turn: the table is far larger
// than the caches, and a look-up mostly waits for memory.
std::vector<std::size_t> Repeated(const std::vector<std::uint64_t>& keys) {
  constexpr std::size_t kAhead = 16;
  std::size_t size = 64;
  while (size * 3 < 4 * keys.size()) size *= 2;
  std::vector<std::uint64_t> slotKey(size, 0);
  std::vector<std::uint8_t> slotCount(size, 0);
  const auto home = [&](std::size_t q) { return static_cast<std::size_t>(std::max<std::uint64_t>(keys[q], 1)) & (size - 1); };
  const auto fetch = [&](std::size_t q) {
    if (q < keys.size()) {
      __builtin_prefetch(&slotKey[home(q)]);
      __builtin_prefetch(&slotCount[home(q)]);
    }
  };
  std::vector<std::uint32_t> slotOf(keys.size());  // below 2^32: keys are rows or columns
  for (std::size_t q = 0; q < std::min(kAhead, keys.size()); ++q) fetch(q);
  for (std::size_t q = 0; q < keys.size(); ++q) {
    fetch(q + kAhead);
    const std::uint64_t key = std::max<std::uint64_t>(keys[q], 1);
    std::size_t s = home(q);
    while (slotKey[s] != 0 && slotKey[s] != key) s = (s + 1) & (size - 1);
    slotKey[s] = key;
    slotCount[s] = static_cast<std::uint8_t>(std::min(slotCount[s] + 1, 2));
    slotOf[q] = static_cast<std::uint32_t>(s);
  }
  std::vector<std::size_t> repeated;
  for (std::size_t q = 0; q < keys.size(); ++q) {
    if (q + kAhead < keys.size()) __builtin_prefetch(&slotCount[slotOf[q + kAhead]]);
    if (slotCount[slotOf[q]] > 1) repeated.push_back(q);
  }
  return repeated;
}

}  // namespace

double ExactMultiple(const Entries& r, const Entries& s) {
  if (r.size() != s.size() || r.empty()) return 0;
  const double v = s.front().second / r.front().second;
  for (std::size_t q = 0; q < r.size(); ++q)
    if (r[q].first != s[q].first || s[q].second != v * r[q].second) return 0;
  return v;
}

void ForEachCandidatePair(const std::vector<int>& owners, const std::function<EntrySpan(int)>& entriesOf,
                          const std::function<bool(const Pattern& r, const Pattern& s)>& pair) {
  constexpr std::size_t kTries = 4;  // earlier members of the group compared with each
  std::vector<std::uint64_t> keys(owners.size());
  for (std::size_t q = 0; q < owners.size(); ++q) keys[q] = PatternKey(entriesOf(owners[q]));
  std::vector<Pattern> patterns;
  for (const std::size_t q : Repeated(keys)) {
    Pattern p{owners[q], ListOf(entriesOf(owners[q])), keys[q]};
    std::sort(p.entries.begin(), p.entries.end());
    patterns.push_back(std::move(p));
  }
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
