// MPS lines taken apart: words split at blanks (free MPS, a byte at a time or
// from a map of a whole block's blanks), fields by column position (fixed
// MPS), and a block of whole lines cut into parts.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "modeltext.h"

namespace postsolve::modelfile {

std::string_view Trimmed(std::string_view s);

// A line's words, split at blanks: the first kKept kept, all counted (up to
// one past kKept).
struct Words {
  static constexpr std::size_t kKept = 8;
  std::array<std::string_view, kKept> at{};
  std::size_t count = 0;
};
void Split(std::string_view line, Words& words);

// Where a text's blanks and line ends are, a bit for each byte, found 16
// bytes at a time: a line is then split a word at a time rather than a byte
// at a time. The text is mapped as far as it is read, in steps that grow, so
// that a scan that stops early maps little of it.
class ByteMap {
 public:
  void Map(std::string_view text) {
    text_ = text;
    size_ = text.size();
    mapped_ = 0;
    step_ = kFirstStep;
    const std::size_t words = (size_ + 63) / 64;
    if (blank_.size() < words) {  // each word is written when it is mapped
      blank_.resize(words);
      newline_.resize(words);
    }
  }
  // The first line end ('\n') at or after `from`, or the text's size.
  std::size_t LineEnd(std::size_t from) {
    for (;;) {
      for (; from < mapped_; from = (from / 64 + 1) * 64) {
        const std::uint64_t ahead = newline_[from / 64] >> (from % 64);
        if (ahead != 0) return std::min(size_, from + static_cast<std::size_t>(std::countr_zero(ahead)));
      }
      if (mapped_ >= size_) return size_;
      MapMore();
    }
  }
  // The words of the text's bytes [from, to), as Split gives them; the map
  // reaches `to` (LineEnd has found it).
  void Split(std::size_t from, std::size_t to, Words& words) const {
    const std::size_t length = to - from;
    if (length > 64) return modelfile::Split(text_.substr(from, length), words);
    // The line's blanks as one word of bits, those past its end set.
    const std::size_t word = from / 64, shift = from % 64;
    std::uint64_t blank = blank_[word] >> shift;
    if (shift != 0 && word + 1 < blank_.size()) blank |= blank_[word + 1] << (64 - shift);
    if (length < 64) blank |= ~std::uint64_t{0} << length;
    const std::uint64_t inWord = ~blank;
    std::uint64_t starts = inWord & ~(inWord << 1), ends = inWord & ~(inWord >> 1);
    words.count = 0;
    while (starts != 0 && words.count <= Words::kKept) {
      const auto first = static_cast<std::size_t>(std::countr_zero(starts)),
                 last = static_cast<std::size_t>(std::countr_zero(ends));
      if (words.count < Words::kKept)
        words.at[words.count] = std::string_view(text_.data() + from + first, last - first + 1);
      ++words.count;
      starts &= starts - 1;
      ends &= ends - 1;
    }
  }

 private:
  static constexpr std::size_t kFirstStep = 512, kMostStep = std::size_t{1} << 16;
  void MapMore();  // the next step's bytes, whole words of them; the step doubles

  std::string_view text_;
  std::size_t size_ = 0, mapped_ = 0, step_ = kFirstStep;
  std::vector<std::uint64_t> blank_, newline_;  // a bit a byte: blank ('\n' too), and '\n'
};

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

}  // namespace postsolve::modelfile
