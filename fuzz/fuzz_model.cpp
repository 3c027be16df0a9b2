// Feeds arbitrary bytes through the model-file readers. The first byte picks
// how the rest is read: MPS told apart from the file, fixed MPS, free MPS or
// LP format (POSTSOLVE_FUZZ_MODEL=mps or lp in the environment keeps every
// input to that family, so that each reader gets its own campaign).
// Properties checked on every input:
//   - a failure is an Error (anything else escapes and is reported) whose
//     message is one non-empty line starting with the file's path;
//   - a model that reads, written back in its family (MPS, or LP) and read
//     again, is the same LP bit for bit: names, sense, constant, bounds,
//     costs and matrix (the writer may refuse a name or bound it cannot carry);
//   - a file reads the same (the same model and notes, or the same failure)
//     a line (MPS) or statement (LP) at a time, and with its lines read ahead
//     in blocks of a few hundred bytes, in parts on several threads, as it
//     does by default.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "input.h"
#include "postsolve/model.h"
#include "readers.h"

using namespace postsolve;

namespace {

constexpr const char* kTarget = "fuzz_model";
std::string scratch;
int family = -1;  // -1: the first byte decides; else 0 (MPS, told from the file) or 3 (LP)

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

void CheckSame(const Model& a, const Model& b) {
  const auto differ = [](const char* what) { fuzzing::Broken(kTarget, std::string("read back, the ") + what + " differs"); };
  if (a.name != b.name) differ("name");
  if (a.maximise != b.maximise) differ("sense");
  if (!(a.objOffset == b.objOffset)) differ("objective constant");
  if (a.rowNames != b.rowNames) differ("row names");
  if (a.colNames != b.colNames) differ("column names");
  if (!SameBits(a.rlo, b.rlo) || !SameBits(a.rup, b.rup)) differ("row bounds");
  if (!SameBits(a.clo, b.clo) || !SameBits(a.cup, b.cup)) differ("column bounds");
  if (!SameBits(a.cost, b.cost)) differ("costs");
  if (a.start != b.start || a.index != b.index || !SameBits(a.value, b.value)) differ("matrix");
}

// What reading a file gives: its model, or its failure's message.
struct Outcome {
  Model model;
  std::string failure;
};
Outcome ReadWith(const std::string& path, ModelFormat format, const modelfile::Reading& reading) {
  Outcome outcome;
  try {
    outcome.model = format == ModelFormat::Lp ? modelfile::ReadLp(path, reading)
                                              : modelfile::ReadMps(path, format, reading);
  } catch (const Error& e) {
    outcome.failure = e.what();
  }
  return outcome;
}

// The file read the other ways reads as it did by default: `first` (whose
// name, when the file gave none, is the file's stem).
void CheckReadingsAgree(const std::string& path, ModelFormat format, const Outcome& first) {
  for (const modelfile::Reading& reading : {modelfile::Reading{false}, modelfile::Reading{true, 40, 300}}) {
    Outcome other = ReadWith(path, format, reading);
    if (other.failure != first.failure)
      fuzzing::Broken(kTarget, "read another way, the failure differs: \"" + first.failure + "\" against \"" +
                                   other.failure + "\"");
    if (other.model.name.empty()) other.model.name = first.model.name;
    if (!first.failure.empty()) continue;
    CheckSame(first.model, other.model);
    if (other.model.notes != first.model.notes) fuzzing::Broken(kTarget, "read another way, the notes differ");
  }
}

void CheckFailure(const std::string& path, const Error& e) {
  const std::string text = e.what();
  fuzzing::CheckOneLine(kTarget, "failure message", text);
  if (text.rfind(path, 0) != 0) fuzzing::Broken(kTarget, "a failure not naming the file: " + text);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* base = std::getenv("POSTSOLVE_FUZZ_DIR");
  std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/fuzz-model-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) fuzzing::Broken(kTarget, "no scratch directory");
  scratch = pattern;
  if (const char* only = std::getenv("POSTSOLVE_FUZZ_MODEL")) family = std::string(only) == "lp" ? 3 : 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr ModelFormat kFormats[] = {ModelFormat::Mps, ModelFormat::FixedMps, ModelFormat::FreeMps,
                                             ModelFormat::Lp};
  const int pick = data[0] % 4;
  const ModelFormat format = kFormats[family < 0 ? pick : family == 3 ? 3 : (pick == 3 ? 0 : pick)];
  const bool lp = format == ModelFormat::Lp;
  const std::string path = scratch + (lp ? "/in.lp" : "/in.mps");
  const std::string back = scratch + (lp ? "/back/in.lp" : "/back/in.mps");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data + 1),
                                              static_cast<std::streamsize>(size - 1));
  Outcome read;
  try {
    read.model = ReadModel(path, format);
  } catch (const Error& e) {
    CheckFailure(path, e);
    read.failure = e.what();
  }
  CheckReadingsAgree(path, format, read);
  if (!read.failure.empty()) return 0;
  Model& model = read.model;
  for (const std::string& note : model.notes) fuzzing::CheckOneLine(kTarget, "note", note);
  ::mkdir((scratch + "/back").c_str(), 0700);
  try {
    WriteModel(model, back, lp ? ModelFormat::Lp : ModelFormat::FixedMps);
  } catch (const Error& e) {
    fuzzing::CheckOneLine(kTarget, "writer's failure message", e.what());
    return 0;
  }
  Model again;
  try {
    again = ReadModel(back, lp ? ModelFormat::Lp : ModelFormat::Mps);
  } catch (const Error& e) {
    fuzzing::Broken(kTarget, std::string("what the writer wrote does not read: ") + e.what());
  }
  if (model.name == "in" || model.name.empty()) model.name = again.name;  // no name in the file: both take the stem
  CheckSame(model, again);
  return 0;
}
