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
  problem.rlo = pd.rlo;
  problem.rup = pd.rup;
  problem.rtype.assign(pd.rtype.begin(), pd.rtype.end());
  problem.clo = pd.clo;
  problem.cup = pd.cup;
  problem.cost = pd.c;
  problem.cols.assign(static_cast<std::size_t>(pd.n), {});
  for (std::size_t j = 0; j < problem.cols.size(); ++j) {
    const SpVec& a = pd.A->col[j];
    for (int e = 0; e < a.nz; ++e) problem.cols[j].emplace_back(a.ind[e], a.val[e]);
  }
}

}  // namespace

FullSolution Solve(const CaseFiles& files, LoggedProblem* problem) {
  PostData pd;
  pd.warnings.keepAll = true;  // a debugging tool: every record that met degenerate data
  Replay(pd, files);
  if (problem != nullptr) CopyProblem(pd, *problem);
  FullSolution sol;
  sol.name = pd.name;
  sol.status = pd.status;
  sol.warnings = pd.warnings.Lines();
  sol.rows.reserve(static_cast<std::size_t>(pd.m));
  for (int i = 0; i < pd.m; ++i) {
    const auto r = static_cast<std::size_t>(i);
    const RowClass cls = ClassifyRow(pd.rtype[r]);
    sol.rows.push_back({std::string(NextName(pd.fbin, "row", i)), cls.type, cls.lower ? pd.rlo[r] : -kInf,
                        cls.upper ? pd.rup[r] : kInf, pd.ax[r], pd.y[r]});
  }
  sol.cols.reserve(static_cast<std::size_t>(pd.n));
  for (int j = 0; j < pd.n; ++j) {
    const auto c = static_cast<std::size_t>(j);
    // The size of the terms whose sum is the dual slack: |c_j| + sum |a_ij y_i|.
    double scale = std::fabs(pd.c[c]);
    const SpVec& a = pd.A->col[c];
    for (int e = 0; e < a.nz; ++e) scale += std::fabs(a.val[e] * pd.y[static_cast<std::size_t>(a.ind[e])]);
    const ColumnClass cls = ClassifyColumn(pd.clo[c], pd.cup[c]);
    ColSol col{std::string(NextName(pd.fbin, "column", j)), cls.type, cls.lower ? pd.clo[c] : -kInf,
               cls.upper ? pd.cup[c] : kInf, pd.x[c], -pd.atyc[c], pd.c[c], scale};
    sol.cols.push_back(std::move(col));
  }
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

CheckResult Check(const FullSolution& sol, const Tolerances& tol) {
  Worst rowAbs{{"row bound violation, absolute", 0, tol.bound, ""}};
  Worst rowRel{{"row bound violation, relative", 0, tol.rel, ""}};
  Worst colAbs{{"column bound violation, absolute", 0, tol.bound, ""}};
  Worst colRel{{"column bound violation, relative", 0, tol.rel, ""}};
  Worst rowSign{{"row dual sign", 0, tol.dual, ""}};
  Worst colSignAbs{{"column dual slack sign, absolute", 0, tol.dualAbs, ""}};
  Worst colSign{{"column dual slack sign, scaled", 0, tol.dual, ""}};
  Worst rowComp{{"row complementary slackness", 0, tol.comp, ""}};
  Worst colComp{{"column complementary slackness", 0, tol.comp, ""}};
  CheckResult res;
  for (std::size_t i = 0; i < sol.rows.size(); ++i) {
    const RowSol& r = sol.rows[i];
    const Violations v = Assess(r.act, r.lo, r.up, r.dual, tol);
    rowAbs.See(v.abs, "row", i, r.name);
    rowRel.See(v.rel, "row", i, r.name);
    rowSign.See(v.sign, "row", i, r.name);
    rowComp.See(v.comp, "row", i, r.name);
    res.nonfinite += !std::isfinite(r.act) + !std::isfinite(r.dual);
  }
  for (std::size_t j = 0; j < sol.cols.size(); ++j) {
    const ColSol& c = sol.cols[j];
    const Violations v = Assess(c.x, c.lo, c.up, c.z, tol);
    colAbs.See(v.abs, "column", j, c.name);
    colRel.See(v.rel, "column", j, c.name);
    colSignAbs.See(v.sign, "column", j, c.name);
    colSign.See(v.sign / std::max(1.0, c.zscale), "column", j, c.name);
    colComp.See(v.comp, "column", j, c.name);
    res.nonfinite += !std::isfinite(c.x) + !std::isfinite(c.z);
  }
  res.objective = Objective(sol);
  for (Worst* w : {&rowAbs, &rowRel, &colAbs, &colRel, &rowSign, &colSignAbs, &colSign, &rowComp, &colComp})
    res.measures.push_back(w->m);
  res.measures.push_back({"non-finite values", static_cast<double>(res.nonfinite), 0, "", res.nonfinite});
  return res;
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

// A finite double is a JSON number; inf, -inf and NaN are strings in the case syntax.
nlohmann::ordered_json JsonDouble(double v) {
  if (std::isfinite(v)) return v;
  return CaseDouble(v);
}

// The JSON library writes a double so that it reads back to the same bits,
// but now and then with a digit more than needed: rewrite every fractional
// or exponent number outside strings in the shortest form. One that would
// read as an integer keeps a ".0", so that it stays a double (and -0 its sign).
std::string ShortestNumbers(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  bool inString = false;
  for (std::size_t i = 0; i < text.size();) {
    const char ch = text[i];
    if (inString) {
      out += ch;
      if (ch == '\\' && i + 1 < text.size()) out += text[++i];
      else if (ch == '"') inString = false;
      ++i;
    } else if (ch == '"') {
      inString = true;
      out += ch;
      ++i;
    } else if (ch == '-' || (ch >= '0' && ch <= '9')) {
      std::size_t j = i;
      while (j < text.size() && std::strchr("+-.0123456789eE", text[j])) ++j;
      const std::string token = text.substr(i, j - i);
      if (token.find_first_of(".eE") == std::string::npos) {
        out += token;  // an integer: the status
      } else {
        std::string shortest = CaseDouble(std::strtod(token.c_str(), nullptr));
        if (shortest.find_first_of(".e") == std::string::npos) shortest += ".0";
        out += shortest;
      }
      i = j;
    } else {
      out += ch;
      ++i;
    }
  }
  return out;
}

}  // namespace

void ExportCsv(const FullSolution& sol, std::ostream& out) {
  out << "kind,name,type,lower,upper,value,dual\n";
  out << "status," << StatusWord(sol.status) << ",,,," << sol.status << ",\n";
  out << "objective,,,,," << CaseDouble(Objective(sol)) << ",\n";
  for (const RowSol& r : sol.rows)
    out << "row," << CsvField(r.name) << ',' << r.type << ',' << CaseDouble(r.lo) << ','
        << CaseDouble(r.up) << ',' << CaseDouble(r.act) << ',' << CaseDouble(r.dual) << '\n';
  for (const ColSol& c : sol.cols)
    out << "column," << CsvField(c.name) << ',' << c.type << ',' << CaseDouble(c.lo) << ','
        << CaseDouble(c.up) << ',' << CaseDouble(c.x) << ',' << CaseDouble(c.z) << '\n';
}

void ExportJson(const FullSolution& sol, std::ostream& out) {
  using Json = nlohmann::ordered_json;
  Json doc;
  doc["name"] = sol.name;
  doc["status"] = sol.status;
  doc["status_word"] = StatusWord(sol.status);
  doc["objective"] = JsonDouble(Objective(sol));
  Json rows = Json::array();
  for (const RowSol& r : sol.rows)
    rows.push_back({{"name", r.name}, {"type", r.type}, {"lower", JsonDouble(r.lo)},
                    {"upper", JsonDouble(r.up)}, {"activity", JsonDouble(r.act)},
                    {"dual", JsonDouble(r.dual)}});
  Json cols = Json::array();
  for (const ColSol& c : sol.cols)
    cols.push_back({{"name", c.name}, {"type", c.type}, {"lower", JsonDouble(c.lo)},
                    {"upper", JsonDouble(c.up)}, {"value", JsonDouble(c.x)},
                    {"dual_slack", JsonDouble(c.z)}});
  doc["rows"] = std::move(rows);
  doc["columns"] = std::move(cols);
  // Names are bytes; any that are not UTF-8 show as U+FFFD.
  out << ShortestNumbers(doc.dump(2, ' ', false, Json::error_handler_t::replace)) << '\n';
}

}  // namespace postsolve::kit
