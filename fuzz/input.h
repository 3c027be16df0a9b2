// What the fuzz targets share: how one input splits into the three files, and
// how a broken property stops the run.
//
// Input layout (fuzz/seeds.sh builds it from the three files):
//   le32 S, S bytes of dravfile.sol, le32 T, T bytes of dravfile.stk, the rest dravfile.bin
// A length larger than what follows takes all that follows; fewer than four
// bytes left give a length of 0 and stay for the record file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "casefile.h"

namespace fuzzing {

[[noreturn]] inline void Broken(const char* target, const std::string& what) {
  std::fprintf(stderr, "%s: property broken: %s\n", target, what.c_str());
  std::fflush(stderr);
  std::abort();
}

// A message or warning must be one non-empty line.
inline void CheckOneLine(const char* target, const char* kind, std::string_view text) {
  if (text.empty() || text.find('\n') != std::string_view::npos)
    Broken(target, std::string("a ") + kind + " that is not one line: '" + std::string(text) + "'");
}

// A dump's text must pack back to exactly the files it was made from.
inline void CheckPacksBack(const char* target, const postsolve::CaseFiles& files, const std::string& text) {
  postsolve::CaseFiles back;
  try {
    back = postsolve::ParseCase(text);
  } catch (const postsolve::PostError& e) {
    Broken(target, std::string("the dump does not pack: ") + e.what());
  }
  if (back.sol != files.sol || back.stk != files.stk || back.bin != files.bin)
    Broken(target, "the dump packs to other bytes than it was made from");
}

inline postsolve::CaseFiles SplitInput(const std::uint8_t* data, std::size_t size) {
  auto take = [&] {
    std::uint32_t len = 0;
    if (size >= 4) {
      std::memcpy(&len, data, 4);  // little-endian hosts only, as the program itself
      data += 4;
      size -= 4;
    }
    const std::size_t n = std::min<std::size_t>(len, size);
    std::string part(reinterpret_cast<const char*>(data), n);
    data += n;
    size -= n;
    return part;
  };
  postsolve::CaseFiles files;
  files.sol = take();
  files.stk = take();
  files.bin.assign(reinterpret_cast<const char*>(data), size);
  return files;
}

}  // namespace fuzzing
