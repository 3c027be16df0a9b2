// MPS files read through CoinUtils' CoinMpsIO. The reader talks through a
// message handler; ours prints nothing and keeps the first complaint for the
// one-line failure.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>
#include <memory>
#include <sstream>
#include <string_view>

#include <unistd.h>

#include <coin/CoinError.hpp>
#include <coin/CoinFileIO.hpp>
#include <coin/CoinFinite.hpp>
#include <coin/CoinMessageHandler.hpp>
#include <coin/CoinMpsIO.hpp>
#include <coin/CoinPackedMatrix.hpp>

#include "failure.h"
#include "readers.h"
#include "records.h"

#if defined(__SANITIZE_ADDRESS__)
// CoinMpsIO::readMps returns from a malformed card without freeing its work
// arrays; that memory is the library's to lose, not a fault of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libCoinUtils.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

namespace postsolve::modelfile {

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// A reader's message without its decoration ("### ERROR: ...").
std::string Plain(const std::string& message) {
  std::string text = Trim(message);
  for (std::string_view lead : {"### ERROR:", "###"})
    if (text.starts_with(lead)) return Trim(text.substr(lead.size()));
  return text;
}

// Collects what a reader says instead of printing it.
class Listener : public CoinMessageHandler {
 public:
  Listener() {
    setLogLevel(3);
    setPrefix(false);
  }
  int print() override {
    std::string text = Plain(messageBuffer());
    for (char& ch : text)  // a quoted card may hold any bytes; the message is one printable line
      if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) >= 0x7f) ch = '?';
    if (currentMessage().externalNumber() >= 3000 && complaint.empty()) complaint = text;
    said.push_back(text);
    return 0;
  }
  std::string complaint;          // the first warning or error
  std::vector<std::string> said;  // everything, in order
};

// A few CoinUtils paths print straight to standard output (e.g. the notice
// that OBJSENSE is ignored); the kit's standard output carries reports, so it
// is pointed at /dev/null while a reader runs.
class StdoutSilenced {
 public:
  StdoutSilenced() {
    std::cout.flush();
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    FILE* sink = std::fopen("/dev/null", "w");
    if (saved_ >= 0 && sink != nullptr) dup2(fileno(sink), STDOUT_FILENO);
    if (sink != nullptr) std::fclose(sink);
  }
  ~StdoutSilenced() {
    std::fflush(stdout);
    if (saved_ >= 0) {
      dup2(saved_, STDOUT_FILENO);
      close(saved_);
    }
  }
  StdoutSilenced(const StdoutSilenced&) = delete;
  StdoutSilenced& operator=(const StdoutSilenced&) = delete;

 private:
  int saved_ = -1;
};

std::string Upper(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

// Calls see(line, number) for each line of the file, gzipped or not (read
// through CoinFileInput, as the readers do), until it returns false.
template <class See>
void EachLine(const std::string& path, See see) {
  std::unique_ptr<CoinFileInput> in;
  try {
    in.reset(CoinFileInput::create(path));
  } catch (const CoinError& e) {
    throw PostError(path + ": " + e.message());
  }
  char line[4096];
  for (long number = 1; in->gets(line, sizeof line) != nullptr; ++number)
    if (!see(std::string_view(line), number)) return;
}

// What CoinMpsIO does not tell, or gets wrong: it skips an OBJSENSE section,
// it stops at the first ENDATA, after which some files carry a quadratic
// objective, and it can crash at the end of a file without ENDATA. So the
// section lines are looked at first: the sense is the word after OBJSENSE,
// on its line (free MPS) or the next; a quadratic, conic or SOS section is
// noted with its line.
struct MpsSections {
  bool maximise = false;
  bool endata = false;
  std::string refused;  // "line N: QUADOBJ section", empty when none
};

MpsSections ScanMpsSections(const std::string& path) {
  MpsSections found;
  bool senseNext = false;
  EachLine(path, [&](std::string_view line, long number) {
    std::istringstream words{std::string(line)};
    std::string word;
    if (!(words >> word) || word[0] == '*') return true;
    word = Upper(word);
    if (senseNext) {
      found.maximise = word.rfind("MAX", 0) == 0;
      senseNext = false;
    } else if (line[0] == ' ' || line[0] == '\t') {
      // a data line, not a section
    } else if (word == "ENDATA") {
      found.endata = true;
    } else if (word == "OBJSENSE") {
      if (words >> word) found.maximise = Upper(word).rfind("MAX", 0) == 0;
      else senseNext = true;
    } else if (found.refused.empty() &&
               (word == "QUADOBJ" || word == "QSECTION" || word == "QMATRIX" || word == "QCMATRIX" ||
                word == "CSECTION" || word == "SOS")) {
      found.refused = "line " + std::to_string(number) + ": " + word + " section";
    }
    return true;
  });
  return found;
}

// Copies the reader's problem; bounds at least the log's 1e30 are infinite,
// whatever the file's own infinity.
template <class Reader>
void CopyProblem(const Reader& reader, Model& model) {
  const int m = reader.getNumRows(), n = reader.getNumCols();
  model.rlo.resize(static_cast<std::size_t>(m));
  model.rup.resize(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i) {
    model.rlo[static_cast<std::size_t>(i)] = UnloggedBound(reader.getRowLower()[i]);
    model.rup[static_cast<std::size_t>(i)] = UnloggedBound(reader.getRowUpper()[i]);
  }
  const CoinPackedMatrix& a = *reader.getMatrixByCol();
  model.start.assign(1, 0);
  long integers = 0;
  for (int j = 0; j < n; ++j) {
    model.clo.push_back(UnloggedBound(reader.getColLower()[j]));
    model.cup.push_back(UnloggedBound(reader.getColUpper()[j]));
    model.cost.push_back(reader.getObjCoefficients()[j]);
    if (j < a.getMajorDim()) {
      const CoinBigIndex first = a.getVectorStarts()[j];
      for (int k = 0; k < a.getVectorLengths()[j]; ++k) {
        model.index.push_back(a.getIndices()[first + k]);
        model.value.push_back(a.getElements()[first + k]);
      }
    }
    model.start.push_back(static_cast<int>(model.index.size()));
    integers += reader.isInteger(j);
  }
  if (integers > 0)
    model.notes.push_back(std::to_string(integers) + " integer column" + (integers == 1 ? "" : "s") +
                          " read as continuous: the LP relaxation");
}

void ReadMpsInto(Model& model) {
  const std::string& path = model.path;
  const MpsSections sections = ScanMpsSections(path);
  if (!sections.refused.empty())
    throw PostError(path + ": " + sections.refused + ": only linear programs are read");
  if (!sections.endata) throw PostError(path + ": no ENDATA line: the MPS file is incomplete");
  Listener listener;
  CoinMpsIO reader;
  reader.passInMessageHandler(&listener);
  int sets = 0;
  CoinSet** setList = nullptr;
  int errors = 0;
  {
    StdoutSilenced quiet;
    errors = reader.readMps(path.c_str(), "", sets, setList);
  }
  for (int s = 0; s < sets; ++s) delete setList[s];
  delete[] setList;
  if (errors != 0)
    throw PostError(path + ": " + (listener.complaint.empty() ? "not an MPS file" : listener.complaint));
  if (sets > 0) throw PostError(path + ": an SOS section; only linear programs are read");
  const int last = reader.reader() ? reader.reader()->whichSection() : COIN_ENDATA_SECTION;
  if (last == COIN_QUADRATIC_SECTION || last == COIN_QUAD_SECTION || last == COIN_CONIC_SECTION)
    throw PostError(path + ": a quadratic or conic section; only linear programs are read");
  if (last != COIN_ENDATA_SECTION && last != COIN_EOF_SECTION)
    throw PostError(path + ": a section this reader does not know, before ENDATA");
  model.name = reader.getProblemName();
  model.maximise = sections.maximise;
  // The objective row's right-hand side is minus the constant term.
  model.objOffset = 0.0 - reader.objectiveOffset();  // 0 - 0 is +0
  model.rowNames.reserve(static_cast<std::size_t>(reader.getNumRows()));
  for (int i = 0; i < reader.getNumRows(); ++i) model.rowNames.emplace_back(reader.rowName(i));
  for (int j = 0; j < reader.getNumCols(); ++j) model.colNames.emplace_back(reader.columnName(j));
  CopyProblem(reader, model);
}

}  // namespace

Model ReadMps(const std::string& path, ModelFormat) {
  Model model;
  model.path = path;
  try {
    ReadMpsInto(model);
  } catch (const CoinError& e) {
    throw PostError(path + ": " + Plain(e.message()));
  }
  return model;
}

}  // namespace postsolve::modelfile
