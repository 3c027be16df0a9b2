// check: the optimality measures of a full solution, one row and one column
// at a time.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "measures.h"
#include "numfmt.h"
#include "rounding.h"

namespace postsolve {
// ---- check ----

namespace {

// The worst violation of one measure and where it is.
struct Worst {
  Measure m;
  void See(double v, double unscaled, const char* kind, std::size_t index, const std::string& name) {
    if (!(v <= m.tol)) m.misses += 1;
    if (std::isnan(m.value)) return;  // a NaN stays the worst
    if (std::isnan(v) || v > m.value) {
      m.value = v;
      m.unscaled = unscaled;
      m.worst = std::string(kind) + " " + std::to_string(index + 1) + " " + CaseString(name);
    }
  }
};

// A bound beyond the report's infinity is no bound.
bool Finite(double bound) { return std::fabs(bound) <= REPINF; }

// The scale of a test against a quantity of size `size`: solvers take a
// violation relative to the quantity once it is larger than 1.
double ScaleOf(double size) { return std::max(1.0, std::fabs(size)); }

// One measure's violation, scaled and as it is.
struct Violation {
  double scaled = 0, unscaled = 0;
  void Take(double value, double scale) {
    if (value / scale > scaled) {
      scaled = value / scale;
      unscaled = value;
    }
  }
};

// Violations of one value v against bounds lo, up with dual d (y for a row,
// z for a column) and the cost c behind d (0 for a row): primal feasibility,
// dual feasibility (the sign d must have where v sits) and complementarity.
struct Violations {
  Violation primal, dual, comp;
};

// `rounding`: how far v itself can be from its exact value (a row's activity
// summed from terms far larger than it): a distance within it is none.
// `dualRounding` likewise for d (a dual slack summed from c and A'y).
Violations Assess(double v, double lo, double up, double d, double c, const Tolerances& tol, double rounding = 0,
                  double dualRounding = 0) {
  const bool hasLo = Finite(lo), hasUp = Finite(up);
  const auto beyond = [rounding](double distance) { return distance <= rounding ? 0.0 : distance; };
  if (std::fabs(d) <= dualRounding) d = 0;
  Violations out;
  if (hasLo) out.primal.Take(beyond(lo - v), ScaleOf(lo));
  if (hasUp) out.primal.Take(beyond(v - up), ScaleOf(up));
  const bool atLo = hasLo && std::fabs(v - lo) <= tol.active * ScaleOf(lo) + rounding;
  const bool atUp = hasUp && std::fabs(up - v) <= tol.active * ScaleOf(up) + rounding;
  const double dualScale = ScaleOf(c);
  if (atLo && atUp) {
  } else if (atLo) {
    out.dual.Take(-d, dualScale);
  } else if (atUp) {
    out.dual.Take(d, dualScale);
  } else {
    out.dual.Take(std::fabs(d), dualScale);
  }
  // A dual that pushes v towards a bound it is away from: both distances
  // scaled. Bounds within the tolerance of each other fix v, whatever its
  // dual, as a solver takes them: no sign, no complementarity.
  if (atLo && atUp) {
  } else if (hasLo && d > 0) {
    const double gap = beyond(std::fabs(v - lo));
    out.comp.Take((d / dualScale) * (gap / ScaleOf(lo)), 1);
  } else if (hasUp && d < 0) {
    const double gap = beyond(std::fabs(up - v));
    out.comp.Take((-d / dualScale) * (gap / ScaleOf(up)), 1);
  }
  if (std::isnan(v) || std::isnan(d)) out = {{NAN, NAN}, {NAN, NAN}, {NAN, NAN}};
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

// The six measures, seen one row and one column at a time.
class Checker {
 public:
  explicit Checker(const Tolerances& tol) : tol_(tol) {}
  void Row(const RowSol& r) {
    const Violations v = Assess(r.act, r.lo, r.up, r.dual, 0, tol_, SumRounding(r.actSize, r.terms));
    rowPrimal_.See(v.primal.scaled, v.primal.unscaled, "row", rowsSeen_, r.name);
    rowDual_.See(v.dual.scaled, v.dual.unscaled, "row", rowsSeen_, r.name);
    rowComp_.See(v.comp.scaled, v.comp.unscaled, "row", rowsSeen_, r.name);
    nonfinite_ += !std::isfinite(r.act) + !std::isfinite(r.dual);
    ++rowsSeen_;
  }
  void Col(const ColSol& c) {
    const Violations v = Assess(c.x, c.lo, c.up, c.z, c.c, tol_, 0, SumRounding(c.zscale, c.zterms));
    colPrimal_.See(v.primal.scaled, v.primal.unscaled, "column", colsSeen_, c.name);
    colDual_.See(v.dual.scaled, v.dual.unscaled, "column", colsSeen_, c.name);
    colComp_.See(v.comp.scaled, v.comp.unscaled, "column", colsSeen_, c.name);
    nonfinite_ += !std::isfinite(c.x) + !std::isfinite(c.z);
    ++colsSeen_;
  }
  CheckResult Result(double objective) const {
    CheckResult res;
    res.nonfinite = nonfinite_;
    res.objective = objective;
    for (const Worst* w : {&rowPrimal_, &colPrimal_, &rowDual_, &colDual_, &rowComp_, &colComp_})
      res.measures.push_back(w->m);
    Measure nonfinite{"non-finite values", static_cast<double>(nonfinite_), 0, "", nonfinite_};
    nonfinite.unscaled = nonfinite.value;
    res.measures.push_back(nonfinite);
    return res;
  }

 private:
  const Tolerances& tol_;
  std::size_t rowsSeen_ = 0, colsSeen_ = 0;
  long nonfinite_ = 0;
  Worst rowPrimal_{{"row primal feasibility", 0, tol_.primal, ""}};
  Worst colPrimal_{{"column primal feasibility", 0, tol_.primal, ""}};
  Worst rowDual_{{"row dual feasibility", 0, tol_.dual, ""}};
  Worst colDual_{{"column dual feasibility", 0, tol_.dual, ""}};
  Worst rowComp_{{"row complementarity", 0, tol_.comp, ""}};
  Worst colComp_{{"column complementarity", 0, tol_.comp, ""}};
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
  std::snprintf(line, sizeof line, "%-34s %-24s %-10s %-7s %-24s %s\n", "measure", "value (scaled)", "tolerance",
                "misses", "unscaled", "worst");
  out << line;
  for (const Measure& m : res.measures) {
    char tolText[32];
    std::snprintf(tolText, sizeof tolText, "%g", m.tol);
    std::snprintf(line, sizeof line, "%-34s %-24s %-10s %-7ld %-24s %s\n", m.label.c_str(),
                  CaseDouble(m.value).c_str(), tolText, m.misses, CaseDouble(m.unscaled).c_str(),
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
