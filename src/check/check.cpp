// check: the optimality measures of a full solution, one row and one column
// at a time.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "measures.h"
#include "numfmt.h"

namespace postsolve {
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

CheckResult Check(const std::string& dir, const Tolerances& tol) {
  SolutionWalk walk(dir);
  CheckResult result = Check(walk, tol);
  walk.CheckInputs();
  result.warnings = walk.warnings();
  return result;
}

}  // namespace postsolve
