// Feeds arbitrary input files (the layout of fuzz/input.h) through the kit's
// readers: the dump walk and its summary, then the replay behind check and
// export with every export format. Properties checked on every input:
//   - a failure is a PostError (anything else escapes and is reported) whose
//     message is one non-empty line, as is every warning;
//   - a dump that completes packs back to exactly the bytes it was given.
#include <cstdint>
#include <sstream>
#include <string>

#include "measures.h"
#include "postsolve/solve.h"
#include "input.h"
#include "kit.h"
#include "measures.h"

using namespace postsolve;

namespace {

constexpr const char* kTarget = "fuzz_kit";

void DumpPacksBack(const CaseFiles& files) {
  std::ostringstream text;
  try {
    kit::Dump(files, text);
  } catch (const PostError& e) {
    fuzzing::CheckOneLine(kTarget, "dump failure message", e.what());
    return;
  }
  fuzzing::CheckPacksBack(kTarget, files, text.str());
}

void SummaryAndSolution(const CaseFiles& files) {
  std::ostringstream out;
  try {
    kit::Summary(files, out);
  } catch (const PostError& e) {
    fuzzing::CheckOneLine(kTarget, "summary failure message", e.what());
  }
  try {
    const FullSolution sol = CollectSolution(files);
    for (const std::string& w : sol.warnings) fuzzing::CheckOneLine(kTarget, "warning", w);
    // The walk the commands stream through measures what the held solution does.
    SolutionWalk walk(files);
    std::ostringstream held, walked;
    PrintCheck(Check(sol, Tolerances{}), held);
    PrintCheck(Check(walk, Tolerances{}), walked);
    if (walked.str() != held.str()) fuzzing::Broken(kTarget, "the walked check differs from the held solution's");
    kit::ExportCsv(walk, out);
    kit::ExportJson(walk, out);
    kit::ExportHighs(walk, out);
  } catch (const PostError& e) {
    fuzzing::CheckOneLine(kTarget, "failure message", e.what());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const CaseFiles files = fuzzing::SplitInput(data, size);
  DumpPacksBack(files);
  SummaryAndSolution(files);
  return 0;
}
