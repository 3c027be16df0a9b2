// Feeds arbitrary text to the case parser behind `postsolve-kit pack`.
// Properties checked on every input:
//   - a malformed case fails with a PostError, one line naming the case line;
//   - a case that parses and whose files dump completes packs back, from the
//     dump's text, to the same bytes.
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "input.h"
#include "kit.h"

using namespace postsolve;

namespace {

constexpr const char* kTarget = "fuzz_case";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CaseFiles files;
  try {
    files = ParseCase(text);
  } catch (const PostError& e) {
    fuzzing::CheckOneLine(kTarget, "failure message", e.what());
    if (!std::string_view(e.what()).starts_with("case line "))
      fuzzing::Broken(kTarget, std::string("a failure that names no case line: ") + e.what());
    return 0;
  }
  std::ostringstream dumped;
  try {
    kit::Dump(files, dumped);
  } catch (const PostError&) {
    return 0;  // a case may describe any bytes, malformed ones too
  }
  fuzzing::CheckPacksBack(kTarget, files, dumped.str());
  return 0;
}
