// check and export: the full solution after an in-process replay, its
// optimality measures, and its export as CSV or JSON.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <nlohmann/json.hpp>

#include "kit.h"
#include "report.h"
#include "workers.h"

namespace postsolve::kit {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

std::string StatusWord(int status) {
  switch (status) {
    case -1: return "unsolved";
    case 0: return "optimal";
    case 1: return "infeasible";
    case 2: return "unbounded";
    case 3: return "difficulty";
    default: return "status " + std::to_string(status);
  }
}

namespace {

void CopyProblem(const PostData& pd, LoggedProblem& problem) {
  problem.rlo.assign(pd.rlo.begin(), pd.rlo.end());
  problem.rup.assign(pd.rup.begin(), pd.rup.end());
  problem.rtype.assign(pd.rtype.begin(), pd.rtype.end());
  problem.clo.assign(pd.clo.begin(), pd.clo.end());
  problem.cup.assign(pd.cup.begin(), pd.cup.end());
  problem.cost.assign(pd.c.begin(), pd.c.end());
  problem.cols.assign(static_cast<std::size_t>(pd.n), {});
  for (std::size_t j = 0; j < problem.cols.size(); ++j) {
    const SpVec& a = pd.A->col[j];
    for (int e = 0; e < a.nz; ++e) problem.cols[j].emplace_back(a.ind[e], a.val[e]);
  }
}

}  // namespace

SolutionWalk::SolutionWalk(const std::string& dir) {
  pd_.warnings.keepAll = true;  // a debugging tool: every record that met degenerate data
  Replay(pd_, dir.empty() ? "." : dir);
  CheckNames();
}

SolutionWalk::SolutionWalk(const CaseFiles& files) {
  pd_.warnings.keepAll = true;
  Replay(pd_, files);
  CheckNames();
}

// Reads the name section once, so that a malformed one fails before
// anything is written, not part way through.
void SolutionWalk::CheckNames() {
  namesAt_ = pd_.fbin.pos;
  for (int i = 0; i < pd_.m; ++i) NextName(pd_.fbin, "row", i);
  for (int j = 0; j < pd_.n; ++j) NextName(pd_.fbin, "column", j);
}

double SolutionWalk::Objective() const {
  double obj = 0;
  for (int j = 0; j < pd_.n; ++j) obj = obj + pd_.c[static_cast<std::size_t>(j)] * pd_.x[static_cast<std::size_t>(j)];
  return obj;
}

void SolutionWalk::StartRows() { pd_.fbin.seek(namesAt_); }

void SolutionWalk::StartCols() {
  StartRows();
  for (int i = 0; i < pd_.m; ++i) NextName(pd_.fbin, "row", i);
}

void SolutionWalk::ReadRow(std::size_t r, RowSol& row) {
  const RowClass cls = ClassifyRow(pd_.rtype[r]);
  row = {std::string(NextName(pd_.fbin, "row", static_cast<int>(r))), cls.type, cls.lower ? pd_.rlo[r] : -kInf,
         cls.upper ? pd_.rup[r] : kInf, pd_.ax[r], pd_.y[r]};
}

void SolutionWalk::ReadCol(std::size_t c, ColSol& col, bool scaled) {
  // The size of the terms whose sum is the dual slack: |c_j| + sum |a_ij y_i|.
  double scale = std::fabs(pd_.c[c]);
  const SpVec& a = pd_.A->col[c];
  if (scaled)
    for (int e = 0; e < a.nz; ++e) scale += std::fabs(a.val[e] * pd_.y[static_cast<std::size_t>(a.ind[e])]);
  const ColumnClass cls = ClassifyColumn(pd_.clo[c], pd_.cup[c]);
  col = {std::string(NextName(pd_.fbin, "column", static_cast<int>(c))), cls.type, cls.lower ? pd_.clo[c] : -kInf,
         cls.upper ? pd_.cup[c] : kInf, pd_.x[c], -pd_.atyc[c], pd_.c[c], scale};
}

void SolutionWalk::Rows(const std::function<void(const RowSol&)>& fn) {
  StartRows();
  RowSol row;
  for (std::size_t r = 0; r < static_cast<std::size_t>(pd_.m); ++r) {
    ReadRow(r, row);
    fn(row);
  }
}

void SolutionWalk::Cols(const std::function<void(const ColSol&)>& fn, bool scaled) {
  StartCols();
  ColSol col;
  for (std::size_t c = 0; c < static_cast<std::size_t>(pd_.n); ++c) {
    ReadCol(c, col, scaled);
    fn(col);
  }
}

namespace {

// Items a chunk of text is made from: enough to keep a worker busy a while,
// few enough that the chunks in flight stay a few megabytes.
constexpr std::size_t kTextChunkItems = 8192;

template <class Item>
struct TextChunk {
  std::vector<Item> items;
  std::size_t first = 0;  // the index of items[0]
  std::string text;
};

// `read(index, item)` fills the items in order on this thread; the workers
// format the chunks; this thread writes them in order.
template <class Item, class Read>
void FormatInOrder(std::size_t total, Read read, const SolutionWalk::Formatter<Item>& format, std::ostream& out) {
  // A walk of one chunk is not worth a thread.
  WorkerPool workers(total > kTextChunkItems ? WorkerPool::Cores() : 0);
  std::size_t next = 0;
  PipeChunks<TextChunk<Item>>(
      workers,
      [&](TextChunk<Item>& chunk) {
        if (next >= total) return false;
        chunk.first = next;
        chunk.items.resize(std::min(kTextChunkItems, total - next));
        for (Item& item : chunk.items) read(next++, item);
        return true;
      },
      [&format](TextChunk<Item>& chunk) {
        chunk.text.clear();
        for (std::size_t k = 0; k < chunk.items.size(); ++k) format(chunk.items[k], chunk.first + k, chunk.text);
      },
      [&out](const TextChunk<Item>& chunk) {
        out.write(chunk.text.data(), static_cast<std::streamsize>(chunk.text.size()));
      });
}

}  // namespace

void SolutionWalk::FormatRows(const Formatter<RowSol>& format, std::ostream& out) {
  StartRows();
  FormatInOrder(static_cast<std::size_t>(pd_.m), [this](std::size_t r, RowSol& row) { ReadRow(r, row); }, format,
                out);
}

void SolutionWalk::FormatCols(const Formatter<ColSol>& format, std::ostream& out) {
  StartCols();
  FormatInOrder(static_cast<std::size_t>(pd_.n), [this](std::size_t c, ColSol& col) { ReadCol(c, col, false); },
                format, out);
}

void SolutionWalk::CheckInputs() const { CheckInputsUnchanged(pd_); }

FullSolution Solve(const CaseFiles& files, LoggedProblem* problem) {
  SolutionWalk walk(files);
  if (problem != nullptr) CopyProblem(walk.state(), *problem);
  FullSolution sol;
  sol.name = walk.name();
  sol.status = walk.status();
  sol.warnings = walk.warnings();
  sol.rows.reserve(static_cast<std::size_t>(walk.rows()));
  walk.Rows([&](const RowSol& r) { sol.rows.push_back(r); });
  sol.cols.reserve(static_cast<std::size_t>(walk.cols()));
  walk.Cols([&](const ColSol& c) { sol.cols.push_back(c); }, true);
  return sol;
}

// ---- check ----

namespace {

// The worst violation of one measure and where it is.
struct Worst {
  Measure m;
  void See(double v, const char* kind, std::size_t index, const std::string& name) {
    if (!(v <= m.tol)) m.misses += 1;
    if (std::isnan(m.value)) return;  // a NaN stays the worst
    if (std::isnan(v) || v > m.value) {
      m.value = v;
      m.worst = std::string(kind) + " " + std::to_string(index + 1) + " " + CaseString(name);
    }
  }
};

// A bound beyond the report's infinity is no bound.
bool Finite(double bound) { return std::fabs(bound) <= REPINF; }

// Violations of one value v against bounds lo, up with dual d (y for a row,
// z for a column): bound violation absolute and relative, dual sign, and
// complementary slackness.
struct Violations {
  double abs, rel, sign, comp;
};

Violations Assess(double v, double lo, double up, double d, const Tolerances& tol) {
  const bool hasLo = Finite(lo), hasUp = Finite(up);
  Violations out{0, 0, 0, 0};
  if (hasLo && lo - v > 0) {
    out.abs = lo - v;
    out.rel = (lo - v) / (1 + std::fabs(lo));
  }
  if (hasUp && v - up > 0) {
    out.abs = std::max(out.abs, v - up);
    out.rel = std::max(out.rel, (v - up) / (1 + std::fabs(up)));
  }
  const bool atLo = hasLo && std::fabs(v - lo) <= tol.active * (1 + std::fabs(lo));
  const bool atUp = hasUp && std::fabs(up - v) <= tol.active * (1 + std::fabs(up));
  if (atLo && atUp) out.sign = 0;
  else if (atLo) out.sign = std::max(0.0, -d);
  else if (atUp) out.sign = std::max(0.0, d);
  else out.sign = std::fabs(d);
  if (hasLo && d > 0) out.comp = std::max(out.comp, d * std::fabs(v - lo));
  if (hasUp && d < 0) out.comp = std::max(out.comp, -d * std::fabs(up - v));
  if (std::isnan(v) || std::isnan(d)) out = {NAN, NAN, NAN, NAN};
  return out;
}

}  // namespace

double Objective(const FullSolution& sol) {
  double obj = 0;
  for (const ColSol& c : sol.cols) obj = obj + c.c * c.x;
  return obj;
}

bool CheckResult::pass() const {
  for (const Measure& m : measures)
    if (!m.within()) return false;
  return true;
}

namespace {

// The nine measures, seen one row and one column at a time.
class Checker {
 public:
  explicit Checker(const Tolerances& tol) : tol_(tol) {}
  void Row(const RowSol& r) {
    const Violations v = Assess(r.act, r.lo, r.up, r.dual, tol_);
    rowAbs_.See(v.abs, "row", rowsSeen_, r.name);
    rowRel_.See(v.rel, "row", rowsSeen_, r.name);
    rowSign_.See(v.sign, "row", rowsSeen_, r.name);
    rowComp_.See(v.comp, "row", rowsSeen_, r.name);
    nonfinite_ += !std::isfinite(r.act) + !std::isfinite(r.dual);
    ++rowsSeen_;
  }
  void Col(const ColSol& c) {
    const Violations v = Assess(c.x, c.lo, c.up, c.z, tol_);
    colAbs_.See(v.abs, "column", colsSeen_, c.name);
    colRel_.See(v.rel, "column", colsSeen_, c.name);
    colSignAbs_.See(v.sign, "column", colsSeen_, c.name);
    colSign_.See(v.sign / std::max(1.0, c.zscale), "column", colsSeen_, c.name);
    colComp_.See(v.comp, "column", colsSeen_, c.name);
    nonfinite_ += !std::isfinite(c.x) + !std::isfinite(c.z);
    ++colsSeen_;
  }
  CheckResult Result(double objective) const {
    CheckResult res;
    res.nonfinite = nonfinite_;
    res.objective = objective;
    for (const Worst* w : {&rowAbs_, &rowRel_, &colAbs_, &colRel_, &rowSign_, &colSignAbs_, &colSign_, &rowComp_,
                           &colComp_})
      res.measures.push_back(w->m);
    res.measures.push_back({"non-finite values", static_cast<double>(nonfinite_), 0, "", nonfinite_});
    return res;
  }

 private:
  const Tolerances& tol_;
  std::size_t rowsSeen_ = 0, colsSeen_ = 0;
  long nonfinite_ = 0;
  Worst rowAbs_{{"row bound violation, absolute", 0, tol_.bound, ""}};
  Worst rowRel_{{"row bound violation, relative", 0, tol_.rel, ""}};
  Worst colAbs_{{"column bound violation, absolute", 0, tol_.bound, ""}};
  Worst colRel_{{"column bound violation, relative", 0, tol_.rel, ""}};
  Worst rowSign_{{"row dual sign", 0, tol_.dual, ""}};
  Worst colSignAbs_{{"column dual slack sign, absolute", 0, tol_.dualAbs, ""}};
  Worst colSign_{{"column dual slack sign, scaled", 0, tol_.dual, ""}};
  Worst rowComp_{{"row complementary slackness", 0, tol_.comp, ""}};
  Worst colComp_{{"column complementary slackness", 0, tol_.comp, ""}};
};

}  // namespace

CheckResult Check(const FullSolution& sol, const Tolerances& tol) {
  Checker checker(tol);
  for (const RowSol& r : sol.rows) checker.Row(r);
  for (const ColSol& c : sol.cols) checker.Col(c);
  return checker.Result(Objective(sol));
}

CheckResult Check(SolutionWalk& walk, const Tolerances& tol) {
  Checker checker(tol);
  walk.Rows([&](const RowSol& r) { checker.Row(r); });
  walk.Cols([&](const ColSol& c) { checker.Col(c); }, true);
  return checker.Result(walk.Objective());
}

void PrintCheck(const CheckResult& res, std::ostream& out) {
  char line[512];
  std::snprintf(line, sizeof line, "%-34s %-24s %-10s %-7s %s\n", "measure", "value", "tolerance",
                "misses", "worst");
  out << line;
  for (const Measure& m : res.measures) {
    char tolText[32];
    std::snprintf(tolText, sizeof tolText, "%g", m.tol);
    std::snprintf(line, sizeof line, "%-34s %-24s %-10s %-7ld %s\n", m.label.c_str(),
                  CaseDouble(m.value).c_str(), tolText, m.misses,
                  m.worst.empty() ? "-" : m.worst.c_str());
    out << line;
  }
  out << "objective c.x                      " << CaseDouble(res.objective) << "\n";
  long outside = 0;
  for (const Measure& m : res.measures) outside += !m.within();
  if (outside == 0) out << "all measures within their tolerances\n";
  else out << outside << " measure" << (outside == 1 ? "" : "s") << " outside tolerance\n";
}

// ---- export ----

namespace {

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

void ExportCsv(SolutionWalk& walk, std::ostream& out) {
  out << "kind,name,type,lower,upper,value,dual\n";
  out << "status," << StatusWord(walk.status()) << ",,,," << walk.status() << ",\n";
  out << "objective,,,,," << CaseDouble(walk.Objective()) << ",\n";
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
    line(text, "row", r.name, r.type, {r.lo, r.up, r.act, r.dual});
  }, out);
  walk.FormatCols([&](const ColSol& c, std::size_t, std::string& text) {
    line(text, "column", c.name, c.type, {c.lo, c.up, c.x, c.z});
  }, out);
}

void ExportJson(SolutionWalk& walk, std::ostream& out) {
  out << "{\n  \"name\": " << JsonText(walk.name()) << ",\n  \"status\": " << walk.status()
      << ",\n  \"status_word\": " << JsonText(StatusWord(walk.status()))
      << ",\n  \"objective\": " << JsonNumber(walk.Objective()) << ",\n  \"rows\": [";
  // Rows and columns alike but for the keys of their last two fields.
  auto item = [](std::string& text, bool first, const std::string& name, const char* type, double lo, double up,
                 std::pair<const char*, double> value, std::pair<const char*, double> dual) {
    JsonObject(text, first, {{"name", JsonText(name)}, {"type", JsonText(type)}, {"lower", JsonNumber(lo)},
                             {"upper", JsonNumber(up)}, {value.first, JsonNumber(value.second)},
                             {dual.first, JsonNumber(dual.second)}});
  };
  walk.FormatRows([&](const RowSol& r, std::size_t index, std::string& text) {
    item(text, index == 0, r.name, r.type, r.lo, r.up, {"activity", r.act}, {"dual", r.dual});
  }, out);
  out << (walk.rows() == 0 ? "],\n  \"columns\": [" : "\n  ],\n  \"columns\": [");
  walk.FormatCols([&](const ColSol& c, std::size_t index, std::string& text) {
    item(text, index == 0, c.name, c.type, c.lo, c.up, {"value", c.x}, {"dual_slack", c.z});
  }, out);
  out << (walk.cols() == 0 ? "]\n}\n" : "\n  ]\n}\n");
}

}  // namespace postsolve::kit
