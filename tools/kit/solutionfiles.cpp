// Solution files: other solvers' answers in (a HiGHS-style solution file, a
// plain CSV of kind,name,value,dual), the full solution out (CSV, JSON and the
// HiGHS-style file), each written a line at a time as the solution is walked.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "kit.h"
#include "numfmt.h"
#include "postdata.h"

namespace postsolve::kit {

namespace {

// Values as a file gives them, before they are put in the reduced order.
struct Given {
  std::string name;
  double value = 0;
  long line = 0;
};
struct Answer {
  int status = 0;
  std::vector<Given> colValues, rowValues, colDuals, rowDuals;
  bool duals = false;  // the file has a dual section
};

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::string Lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

[[noreturn]] void Bad(const std::string& path, long line, const std::string& why) {
  throw PostError(path + ": line " + std::to_string(line) + ": " + why);
}

double Number(const std::string& path, long line, const std::string& text) {
  double v = 0;
  if (!ReadCaseDouble(Trim(text), v)) Bad(path, line, "\"" + Trim(text) + "\" is not a number");
  return v;
}

// Puts one kind of values in the reduced order: by name when the reduced
// model is known, else in the file's order.
std::vector<double> Place(const std::string& path, const std::vector<Given>& given,
                          const std::vector<std::string>* names, std::size_t count, const char* kind,
                          const char* what) {
  std::vector<double> out;
  if (names == nullptr) {
    if (given.size() != count)
      throw PostError(path + ": " + std::to_string(given.size()) + " " + kind + " " + what + ", " +
                      std::to_string(count) + " " + kind + " values");
    for (const Given& g : given) out.push_back(g.value);
    return out;
  }
  std::unordered_map<std::string, std::size_t> at;
  for (std::size_t k = 0; k < names->size(); ++k) at.emplace((*names)[k], k);
  out.assign(names->size(), 0.0);
  std::vector<bool> seen(names->size(), false);
  for (const Given& g : given) {
    const auto found = at.find(g.name);
    if (found == at.end()) Bad(path, g.line, std::string(kind) + " " + CaseString(g.name) + " is not in reduced.mps");
    if (seen[found->second]) Bad(path, g.line, std::string(kind) + " " + CaseString(g.name) + " is given twice");
    seen[found->second] = true;
    out[found->second] = g.value;
  }
  for (std::size_t k = 0; k < seen.size(); ++k)
    if (!seen[k])
      throw PostError(path + ": " + kind + " " + CaseString((*names)[k]) + " of reduced.mps has no " + what);
  return out;
}

ReducedSolution Assemble(const std::string& path, const Answer& answer, const Model* model) {
  ReducedSolution sol;
  sol.status = answer.status;
  const std::vector<std::string>* colNames = model ? &model->colNames : nullptr;
  const std::vector<std::string>* rowNames = model ? &model->rowNames : nullptr;
  sol.x = Place(path, answer.colValues, colNames, answer.colValues.size(), "column", "value");
  const std::vector<double> rowValues =
      Place(path, answer.rowValues, rowNames, answer.rowValues.size(), "row", "value");
  if (answer.duals) {
    sol.z = Place(path, answer.colDuals, colNames, sol.x.size(), "column", "dual");
    sol.y = Place(path, answer.rowDuals, rowNames, rowValues.size(), "row", "dual");
  } else {
    sol.z.assign(sol.x.size(), 0.0);
    sol.y.assign(rowValues.size(), 0.0);
  }
  // Duals of a maximisation, turned to those of the minimisation the log states.
  if (model != nullptr && model->maximise) {
    for (double& v : sol.y) v = -v;
    for (double& v : sol.z) v = -v;
  }
  return sol;
}

// ---- HiGHS-style solution files ----

struct HighsStatus {
  const char* word;
  int status;
};
// Written as the first of each code; read in any case.
constexpr HighsStatus kHighsStatuses[] = {
    {"Optimal", 0},       {"Infeasible", 1}, {"Unbounded", 2}, {"Primal infeasible or unbounded", 1},
    {"Not Set", -1},      {"Unknown", 3},    {"Empty", 0},
};

int HighsStatusCode(const std::string& word) {
  for (const HighsStatus& s : kHighsStatuses)
    if (Lower(word) == Lower(s.word)) return s.status;
  return 3;  // limits reached, solver errors: a difficulty
}

const char* HighsStatusWord(int status) {
  for (const HighsStatus& s : kHighsStatuses)
    if (s.status == status) return s.word;
  return "Unknown";
}

// A line "NAME VALUE": the value is the last field, the name all before it.
Given NameAndValue(const std::string& path, long number, const std::string& line) {
  const std::string text = Trim(line);
  const auto cut = text.find_last_of(" \t");
  if (cut == std::string::npos) Bad(path, number, "a name and a value were expected");
  return {Trim(text.substr(0, cut)), Number(path, number, text.substr(cut + 1)), number};
}

}  // namespace

ReducedSolution ImportHighs(const std::string& path, const std::string& text, const Model* model) {
  Answer answer;
  answer.status = -1;
  bool statusSeen = false, statusNext = false, inDual = false, valuesSeen = false;
  std::istringstream in(text);
  std::string line;
  long number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::string t = Trim(line);
    if (t.empty()) continue;
    if (statusNext) {
      answer.status = HighsStatusCode(t);
      statusNext = false;
      continue;
    }
    if (t.rfind("Model status", 0) == 0) {
      const auto colon = t.find(':');
      if (colon != std::string::npos) answer.status = HighsStatusCode(Trim(t.substr(colon + 1)));
      else statusNext = true;
      statusSeen = true;
    } else if (t == "# Primal solution values") {
      inDual = false;
      valuesSeen = true;
    } else if (t == "# Dual solution values") {
      inDual = true;
      answer.duals = true;
    } else if (t.rfind("# Basis", 0) == 0) {
      break;  // nothing after it is needed
    } else if (t.rfind("# Columns ", 0) == 0 || t.rfind("# Rows ", 0) == 0) {
      const bool columns = t[2] == 'C';
      const double count = Number(path, number, t.substr(columns ? 10 : 7));
      if (!(count >= 0) || count != std::floor(count)) Bad(path, number, "a count was expected");
      std::vector<Given>& into = columns ? (inDual ? answer.colDuals : answer.colValues)
                                         : (inDual ? answer.rowDuals : answer.rowValues);
      // One line per item: a count larger than the file is found short below,
      // never allocated ahead.
      for (double k = 0; k < count; ++k) {
        if (!std::getline(in, line)) Bad(path, number, "the file ends inside a list of " + Trim(t.substr(2)));
        into.push_back(NameAndValue(path, ++number, line));
      }
    } else if (t == "None" && inDual) {
      answer.duals = false;
    }
    // "Feasible", "Objective ..." and anything else is not needed.
  }
  if (!statusSeen) throw PostError(path + ": no \"Model status\" line: not a HiGHS-style solution file");
  if (!valuesSeen) throw PostError(path + ": no primal solution values");
  return Assemble(path, answer, model);
}

void ExportHighs(SolutionWalk& walk, std::ostream& out) {
  auto name = [](const std::string& n) -> const std::string& {
    if (n.empty() || n.find_first_of("\r\n") != std::string::npos || n != Trim(n))
      throw PostError("the name " + CaseString(n) + " cannot stand in a HiGHS-style solution file");
    return n;
  };
  // Every name checked before anything is written.
  walk.Cols([&](const ColSol& c) { name(c.name); });
  walk.Rows([&](const RowSol& r) { name(r.name); });
  const char* const feasible = walk.status() == 0 ? "Feasible" : "Infeasible";
  out << "Model status\n" << HighsStatusWord(walk.status()) << "\n\n# Primal solution values\n" << feasible
      << "\nObjective " << CaseDouble(walk.Objective()) << "\n";
  // The names are checked: the four lists are formatted on the workers.
  auto put = [](std::string& text, const std::string& itemName, double v) {
    text += itemName;
    text += ' ';
    text += CaseDouble(v);
    text += '\n';
  };
  out << "# Columns " << walk.cols() << "\n";
  walk.FormatCols([&](const ColSol& c, std::size_t, std::string& text) { put(text, c.name, c.x); }, out);
  out << "# Rows " << walk.rows() << "\n";
  walk.FormatRows([&](const RowSol& r, std::size_t, std::string& text) { put(text, r.name, r.act); }, out);
  out << "\n# Dual solution values\n" << feasible << "\n";
  out << "# Columns " << walk.cols() << "\n";
  walk.FormatCols([&](const ColSol& c, std::size_t, std::string& text) { put(text, c.name, c.z); }, out);
  out << "# Rows " << walk.rows() << "\n";
  walk.FormatRows([&](const RowSol& r, std::size_t, std::string& text) { put(text, r.name, r.dual); }, out);
}

// ---- CSV ----

namespace {

// One RFC 4180 record from `in`; a quoted field may span lines. False at the end.
bool CsvRecord(std::istream& in, long& number, std::vector<std::string>& fields) {
  fields.assign(1, "");
  std::string line;
  if (!std::getline(in, line)) return false;
  ++number;
  bool quoted = false;
  for (std::size_t i = 0;; ++i) {
    if (i == line.size()) {
      if (!quoted) break;
      if (!std::getline(in, line)) return true;  // an open quote at the end: the field ends there
      ++number;
      fields.back() += '\n';
      i = static_cast<std::size_t>(-1);
      continue;
    }
    const char ch = line[i];
    if (quoted) {
      if (ch == '"' && i + 1 < line.size() && line[i + 1] == '"') fields.back() += line[++i];
      else if (ch == '"') quoted = false;
      else fields.back() += ch;
    } else if (ch == '"') {
      quoted = true;
    } else if (ch == ',') {
      fields.emplace_back();
    } else if (ch != '\r') {
      fields.back() += ch;
    }
  }
  return true;
}

int StatusOfWord(const std::string& path, long line, const std::string& word) {
  for (int code = -1; code <= 3; ++code)
    if (Lower(Trim(word)) == StatusText(code)) return code;
  Bad(path, line, "unknown status \"" + word + "\"");
}

}  // namespace

ReducedSolution ImportCsv(const std::string& path, const std::string& text, const Model* model) {
  Answer answer;
  answer.duals = true;
  std::istringstream in(text);
  std::vector<std::string> fields;
  long number = 0;
  // Without a header line the fields are kind,name,value,dual; with one, they
  // are found by name, so that an exported full solution also reads.
  std::size_t kind = 0, name = 1, value = 2, dual = 3;
  bool first = true;
  while (CsvRecord(in, number, fields)) {
    if (fields.size() == 1 && Trim(fields[0]).empty()) continue;
    if (first && Lower(Trim(fields[0])) == "kind") {
      first = false;
      kind = name = value = dual = fields.size();
      for (std::size_t k = 0; k < fields.size(); ++k) {
        const std::string h = Lower(Trim(fields[k]));
        if (h == "kind") kind = k;
        else if (h == "name") name = k;
        else if (h == "value") value = k;
        else if (h == "dual") dual = k;
      }
      if (name == fields.size() || value == fields.size() || dual == fields.size())
        Bad(path, number, "the header names no name, value or dual field");
      continue;
    }
    first = false;
    const std::size_t needed = std::max({kind, name, value, dual}) + 1;
    if (fields.size() < needed) Bad(path, number, std::to_string(needed) + " fields expected");
    const std::string k = Lower(Trim(fields[kind]));
    if (k == "status") {
      answer.status = StatusOfWord(path, number, fields[name]);
    } else if (k == "objective") {
      continue;
    } else if (k == "row" || k == "column" || k == "col") {
      const bool column = k != "row";
      (column ? answer.colValues : answer.rowValues).push_back({fields[name], Number(path, number, fields[value]), number});
      (column ? answer.colDuals : answer.rowDuals).push_back({fields[name], Number(path, number, fields[dual]), number});
    } else {
      Bad(path, number, "kind \"" + fields[kind] + "\": row, column, status or objective expected");
    }
  }
  return Assemble(path, answer, model);
}

// ---- CSV and JSON export ----

// RFC 4180 field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char ch : s) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + "\"";
}

namespace {

using Json = nlohmann::ordered_json;

// A JSON string; names are bytes, and any that are not UTF-8 show as U+FFFD.
std::string JsonText(const std::string& s) {
  // Printable ASCII but the quote and the backslash stands as it is: most names.
  const bool plain = std::all_of(s.begin(), s.end(), [](char ch) { return ch >= 0x20 && ch < 0x7f && ch != '"' && ch != '\\'; });
  if (plain) return '"' + s + '"';
  return Json(s).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A finite double as a JSON number in its shortest form that reads back to
// the same bits; one that would read as an integer keeps a ".0", so that it
// stays a double (and -0 its sign). inf, -inf and NaN are strings in the case syntax.
std::string JsonNumber(double v) {
  if (!std::isfinite(v)) return JsonText(CaseDouble(v));
  std::string text = CaseDouble(v);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

// Appends one object of the rows or columns array, as indented at that depth.
void JsonObject(std::string& text, bool first, std::initializer_list<std::pair<const char*, std::string>> fields) {
  text += first ? "\n    {\n" : ",\n    {\n";
  std::size_t left = fields.size();
  for (const auto& [key, value] : fields) {
    text += "      \"";
    text += key;
    text += "\": ";
    text += value;
    text += --left > 0 ? ",\n" : "\n";
  }
  text += "    }";
}

}  // namespace

void ExportCsv(SolutionWalk& walk, std::ostream& out, const ModelTerms& terms) {
  out << "kind,name,type,lower,upper,value,dual\n";
  out << "status," << StatusText(walk.status()) << ",,,," << walk.status() << ",\n";
  out << "objective," << terms.SenseWord() << ",,,," << CaseDouble(terms.Objective(walk.Objective())) << ",\n";
  auto line = [](std::string& text, const char* kind, const std::string& name, const char* type,
                 std::initializer_list<double> values) {
    text += kind;
    text += ',';
    text += CsvField(name);
    text += ',';
    text += type;
    for (double v : values) {
      text += ',';
      text += CaseDouble(v);
    }
    text += '\n';
  };
  walk.FormatRows([&](const RowSol& r, std::size_t, std::string& text) {
    line(text, "row", r.name, r.type, {r.lo, r.up, r.act, terms.Dual(r.dual)});
  }, out);
  walk.FormatCols([&](const ColSol& c, std::size_t, std::string& text) {
    line(text, "column", c.name, c.type, {c.lo, c.up, c.x, terms.Dual(c.z)});
  }, out);
}

void ExportJson(SolutionWalk& walk, std::ostream& out, const ModelTerms& terms) {
  out << "{\n  \"name\": " << JsonText(walk.name()) << ",\n  \"status\": " << walk.status()
      << ",\n  \"status_word\": " << JsonText(StatusText(walk.status()))
      << ",\n  \"objective\": " << JsonNumber(terms.Objective(walk.Objective()))
      << ",\n  \"sense\": " << JsonText(terms.SenseWord())
      << ",\n  \"objective_constant\": " << JsonNumber(terms.constant)
      << ",\n  \"dual_convention\": " << JsonText(kDualConvention) << ",\n  \"rows\": [";
  // Rows and columns alike but for the keys of their last two fields.
  auto item = [](std::string& text, bool first, const std::string& name, const char* type, double lo, double up,
                 std::pair<const char*, double> value, std::pair<const char*, double> dual) {
    JsonObject(text, first, {{"name", JsonText(name)}, {"type", JsonText(type)}, {"lower", JsonNumber(lo)},
                             {"upper", JsonNumber(up)}, {value.first, JsonNumber(value.second)},
                             {dual.first, JsonNumber(dual.second)}});
  };
  walk.FormatRows([&](const RowSol& r, std::size_t index, std::string& text) {
    item(text, index == 0, r.name, r.type, r.lo, r.up, {"activity", r.act}, {"dual", terms.Dual(r.dual)});
  }, out);
  out << (walk.rows() == 0 ? "],\n  \"columns\": [" : "\n  ],\n  \"columns\": [");
  walk.FormatCols([&](const ColSol& c, std::size_t index, std::string& text) {
    item(text, index == 0, c.name, c.type, c.lo, c.up, {"value", c.x}, {"dual_slack", terms.Dual(c.z)});
  }, out);
  out << (walk.cols() == 0 ? "]\n}\n" : "\n  ]\n}\n");
}



}  // namespace postsolve::kit
