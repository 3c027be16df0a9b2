#include "mpslines.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace postsolve::modelfile {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsMpsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsMpsBlank(s.back())) s.remove_suffix(1);
  return s;
}

void Split(std::string_view line, Words& words) {
  words.count = 0;
  const char* p = line.data();
  const char* const end = p + line.size();
  while (words.count <= Words::kKept) {
    while (p < end && IsMpsBlank(*p)) ++p;
    if (p == end) return;
    const char* const first = p;
    while (p < end && !IsMpsBlank(*p)) ++p;
    if (words.count < Words::kKept)
      words.at[words.count] = std::string_view(first, static_cast<std::size_t>(p - first));
    ++words.count;
  }
}

void ByteMap::MapMore() {
  const std::size_t end = std::min(size_, mapped_ + step_);
  step_ = std::min(2 * step_, kMostStep);
  for (std::size_t at = mapped_; at < end; at += 64) {
    std::uint64_t blank = 0, newline = 0;
    std::size_t k = 0;
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(' '), nine = _mm_set1_epi8(9), four = _mm_set1_epi8(4),
                  lineEnd = _mm_set1_epi8('\n');
    for (; k < 64 && at + k + 16 <= size_; k += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_.data() + at + k));
      // Blank: a space, or a byte from 9 to 13 ('\t', '\n', '\v', '\f', '\r').
      const __m128i fromNine = _mm_sub_epi8(bytes, nine);
      const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(fromNine, four), fromNine);
      const __m128i blanks = _mm_or_si128(_mm_cmpeq_epi8(bytes, space), control);
      blank |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(blanks))) << k;
      newline |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineEnd))))
                 << k;
    }
#endif
    for (; k < 64 && at + k < size_; ++k) {
      const char c = text_[at + k];
      if (IsMpsBlank(c) || c == '\n') blank |= std::uint64_t{1} << k;
      if (c == '\n') newline |= std::uint64_t{1} << k;
    }
    blank_[at / 64] = blank;
    newline_[at / 64] = newline;
  }
  mapped_ = std::min(size_, (end + 63) / 64 * 64);
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

}  // namespace postsolve::modelfile
