// LP-format files read through CoinUtils' CoinLpIO (MPS has its own reader,
// in mpsreader.cpp). The reader talks through a message handler; ours prints
// nothing and keeps the first complaint for the one-line failure.

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
#include <coin/CoinLpIO.hpp>
#include <coin/CoinMessageHandler.hpp>
#include <coin/CoinPackedMatrix.hpp>

#include "failure.h"
#include "readers.h"
#include "records.h"

#if defined(__SANITIZE_ADDRESS__)
// CoinUtils' readers may return from a malformed file without freeing their
// work arrays; that memory is the library's to lose, not a fault of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libCoinUtils.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

namespace postsolve::modelfile {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

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

// Copies the problem the reader read; bounds at least the
// log's 1e30 are infinite, whatever the file's own infinity.
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

// CoinLpIO reads past its buffer on a file that stops before its End line,
// so such a file is refused before it gets there.
bool LpHasEnd(const std::string& path) {
  bool end = false;
  EachLine(path, [&](std::string_view line, long) {
    std::istringstream words{std::string(line)};
    std::string word;
    end = words >> word && Upper(word) == "END";
    return !end;
  });
  return end;
}

void ReadLpInto(Model& model) {
  const std::string& path = model.path;
  if (!LpHasEnd(path)) throw PostError(path + ": no End line: the LP file is incomplete");
  Listener listener;
  CoinLpIO reader;
  reader.passInMessageHandler(&listener);
  {
    StdoutSilenced quiet;
    try {
      reader.readLp(path.c_str());
    } catch (const CoinError& e) {
      const std::string why = Plain(e.message());
      throw PostError(path + ": " + (why.empty() ? listener.complaint : why));
    }
  }
  if (!listener.complaint.empty()) throw PostError(path + ": " + listener.complaint);
  if (reader.numberSets() > 0) throw PostError(path + ": an SOS section; only linear programs are read");
  model.name = reader.getProblemName();
  // The LP reader turns a maximisation into a minimisation and says so;
  // the model keeps the sense and the costs the file gives.
  for (const std::string& text : listener.said)
    if (text.find("Maximization problem reformulated") != std::string::npos) model.maximise = true;
  const double sign = model.maximise ? -1 : 1;
  // Unlike the MPS reader's, this offset is the constant as the file writes
  // it, and it is left alone when the costs are turned round.
  model.objOffset = reader.objectiveOffset();
  char const* const* rowNames = reader.getRowNames();
  char const* const* colNames = reader.getColNames();
  for (int i = 0; i < reader.getNumRows(); ++i) model.rowNames.emplace_back(rowNames[i]);
  for (int j = 0; j < reader.getNumCols(); ++j) model.colNames.emplace_back(colNames[j]);
  CopyProblem(reader, model);
  for (double& c : model.cost) c = sign * c;
}

}  // namespace

Model ReadLp(const std::string& path) {
  Model model;
  model.path = path;
  try {
    ReadLpInto(model);
  } catch (const CoinError& e) {
    throw PostError(path + ": " + Plain(e.message()));
  }
  return model;
}

}  // namespace postsolve::modelfile
