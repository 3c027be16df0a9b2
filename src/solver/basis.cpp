// The basis of a point: statuses read off values and duals, the count made
// right, and the MPS basis file written and read.

#include "postsolve/basis.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <unordered_map>

#include "failure.h"
#include "numfmt.h"
#include "outfile.h"
#include "view.h"

namespace postsolve {

const char* BasisStatusWord(BasisStatus status) {
  switch (status) {
    case BasisStatus::Basic: return "basic";
    case BasisStatus::AtLower: return "at lower";
    case BasisStatus::AtUpper: return "at upper";
    case BasisStatus::Free: return "free";
    case BasisStatus::Fixed: return "fixed";
  }
  return "unknown";
}

long Basis::basics() const {
  const auto basic = [](BasisStatus s) { return s == BasisStatus::Basic; };
  return std::count_if(cols.begin(), cols.end(), basic) + std::count_if(rows.begin(), rows.end(), basic);
}

namespace {

// A bound beyond the report's infinity is no bound.
bool Finite(double bound) { return std::fabs(bound) <= REPINF; }
double ScaleOf(double size) { return std::max(1.0, std::fabs(size)); }
// A dual this small is zero but for rounding: its variable may be basic.
constexpr double kZeroDual = 1e-9;

// One row's activity or one column's value with its bounds and dual.
struct Item {
  double lo, up, v, d;
};

// The status the point shows, before the count is looked at.
BasisStatus StatusOf(const Item& item, double active) {
  const bool hasLo = Finite(item.lo), hasUp = Finite(item.up);
  const bool atLo = hasLo && std::fabs(item.v - item.lo) <= active * ScaleOf(item.lo);
  const bool atUp = hasUp && std::fabs(item.up - item.v) <= active * ScaleOf(item.up);
  if (atLo && atUp) return BasisStatus::Fixed;
  if (atLo) return BasisStatus::AtLower;
  if (atUp) return BasisStatus::AtUpper;
  return BasisStatus::Basic;  // between its bounds, or free
}

// How far a value is from its nearest finite bound, scaled; infinite for a free one.
double DistanceToBound(const Item& item) {
  double distance = INFINITY;
  if (Finite(item.lo)) distance = std::min(distance, std::fabs(item.v - item.lo) / ScaleOf(item.lo));
  if (Finite(item.up)) distance = std::min(distance, std::fabs(item.up - item.v) / ScaleOf(item.up));
  return distance;
}

}  // namespace

Basis BasisOfPoint(const std::vector<double>& rowLower, const std::vector<double>& rowUpper,
                   const std::vector<double>& activity, const std::vector<double>& y,
                   const std::vector<double>& colLower, const std::vector<double>& colUpper,
                   const std::vector<double>& x, const std::vector<double>& z, double active) {
  const std::size_t m = rowLower.size(), n = colLower.size();
  if (rowUpper.size() != m || activity.size() != m || y.size() != m || colUpper.size() != n || x.size() != n ||
      z.size() != n)
    throw PostError("basis: bounds, values and duals of different lengths");
  // Rows first, then columns: one sequence, as a simplex code numbers them.
  std::vector<Item> items;
  items.reserve(m + n);
  for (std::size_t i = 0; i < m; ++i) items.push_back({rowLower[i], rowUpper[i], activity[i], y[i]});
  for (std::size_t j = 0; j < n; ++j) items.push_back({colLower[j], colUpper[j], x[j], z[j]});
  std::vector<BasisStatus> status;
  status.reserve(items.size());
  for (const Item& item : items) status.push_back(StatusOf(item, active));

  std::vector<std::size_t> basic, candidates;
  for (std::size_t k = 0; k < items.size(); ++k) (status[k] == BasisStatus::Basic ? basic : candidates).push_back(k);
  if (basic.size() < m) {
    // Degenerate: some values at a bound are basic. Those whose dual is zero
    // (to rounding) first, columns before row activities: a degenerate
    // vertex a simplex code ends at usually has its structural columns basic
    // there, and the rows' slacks they would replace may depend on the
    // columns already in. Then the smallest duals.
    const auto zero = [&](std::size_t k) { return std::fabs(items[k].d) <= kZeroDual; };
    std::stable_sort(candidates.begin(), candidates.end(), [&](std::size_t a, std::size_t b) {
      const bool za = zero(a), zb = zero(b);
      if (za != zb) return za;
      if (za) return (a >= m) > (b >= m);
      return std::fabs(items[a].d) < std::fabs(items[b].d);
    });
    for (std::size_t k = 0; basic.size() < m && k < candidates.size(); ++k) {
      status[candidates[k]] = BasisStatus::Basic;
      basic.push_back(candidates[k]);
    }
  } else if (basic.size() > m) {
    // Not a vertex: the values nearest a bound (free ones last) stay off it,
    // nonbasic.
    std::stable_sort(basic.begin(), basic.end(), [&](std::size_t a, std::size_t b) {
      return DistanceToBound(items[a]) < DistanceToBound(items[b]);
    });
    for (std::size_t k = 0; k < basic.size() - m; ++k) status[basic[k]] = BasisStatus::Free;
  }
  Basis basis;
  basis.rows.assign(status.begin(), status.begin() + static_cast<std::ptrdiff_t>(m));
  basis.cols.assign(status.begin() + static_cast<std::ptrdiff_t>(m), status.end());
  return basis;
}

Basis BasisOf(const Solution& s, double active) {
  return BasisOfPoint(s.rowLower().vector(), s.rowUpper().vector(), s.rowActivity().vector(), s.y().vector(),
                      s.colLower().vector(), s.colUpper().vector(), s.x().vector(), s.z().vector(), active);
}

// ---- the basis file ----

namespace {

void CheckName(const std::string& name, const char* kind) {
  if (name.empty() || name.find_first_of(" \t\r\n") != std::string::npos)
    throw PostError(std::string("basis file: ") + kind + " name \"" + name + "\" is empty or holds a blank");
}

// The second field of a UL or LL line: Clp's reader takes a free-format line
// only with one there, and writes this placeholder itself.
const std::string kNoRow = "_dummy_";

void Line(std::string& text, const char* code, const std::string& first, const std::string* second) {
  text += ' ';
  text += code;
  text += ' ';
  text += first;
  if (second != nullptr) {
    text += ' ';
    text += *second;
  }
  text += '\n';
}

}  // namespace

std::string BasisFileText(const Basis& basis, const std::string& name, const std::vector<std::string>& colNames,
                          const std::vector<std::string>& rowNames) {
  if (colNames.size() != basis.cols.size() || rowNames.size() != basis.rows.size())
    throw PostError("basis file: names and statuses of different counts");
  for (const std::string& n : colNames) CheckName(n, "column");
  for (const std::string& n : rowNames) CheckName(n, "row");
  std::string text = "NAME          " + (name.empty() ? std::string("UNNAMED") : name) + "\n";
  // A basic column pairs with a nonbasic row: XU when the row sits at its
  // upper side, XL otherwise. Basic columns beyond the nonbasic rows (an
  // incomplete basis) have no line to go on; basic rows are the default.
  std::vector<std::size_t> nonbasicRows;
  for (std::size_t i = 0; i < basis.rows.size(); ++i)
    if (basis.rows[i] != BasisStatus::Basic) nonbasicRows.push_back(i);
  std::size_t paired = 0;
  for (std::size_t j = 0; j < basis.cols.size(); ++j) {
    const BasisStatus s = basis.cols[j];
    if (s == BasisStatus::Basic) {
      if (paired == nonbasicRows.size()) continue;
      const std::size_t i = nonbasicRows[paired++];
      Line(text, basis.rows[i] == BasisStatus::AtUpper ? "XU" : "XL", colNames[j], &rowNames[i]);
    } else if (s == BasisStatus::AtUpper) {
      Line(text, "UL", colNames[j], &kNoRow);
    } else if (s == BasisStatus::AtLower) {
      Line(text, "LL", colNames[j], &kNoRow);
    }
    // Fixed and Free columns are left to the reader's default (at lower, or free).
  }
  text += "ENDATA\n";
  return text;
}

void WriteBasisFile(const Basis& basis, const std::string& name, const std::vector<std::string>& colNames,
                    const std::vector<std::string>& rowNames, const std::string& path) {
  ReplaceFile(path, BasisFileText(basis, name, colNames, rowNames));
}

namespace {

std::unordered_map<std::string, std::size_t> Positions(const std::vector<std::string>& names) {
  std::unordered_map<std::string, std::size_t> at;
  for (std::size_t k = 0; k < names.size(); ++k) at.emplace(names[k], k);
  return at;
}

BasisStatus NonbasicDefault(double lo, double up) {
  if (Finite(lo) && Finite(up) && lo == up) return BasisStatus::Fixed;
  if (Finite(lo)) return BasisStatus::AtLower;
  if (Finite(up)) return BasisStatus::AtUpper;
  return BasisStatus::Free;
}

}  // namespace

Basis ReadBasisFile(const std::string& path, const Model& model) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PostError(path + ": cannot open");
  Basis basis;
  basis.rows.assign(static_cast<std::size_t>(model.rows()), BasisStatus::Basic);
  for (int j = 0; j < model.cols(); ++j)
    basis.cols.push_back(NonbasicDefault(model.clo[static_cast<std::size_t>(j)], model.cup[static_cast<std::size_t>(j)]));
  const auto colAt = Positions(model.colNames), rowAt = Positions(model.rowNames);
  std::string line;
  long number = 0;
  bool named = false, ended = false;
  const auto bad = [&](const std::string& why) {
    throw PostError(path + ": line " + std::to_string(number) + ": " + why);
  };
  const auto find = [&](const std::unordered_map<std::string, std::size_t>& at, const std::string& name,
                        const char* kind) {
    const auto found = at.find(name);
    if (found == at.end()) bad(std::string(kind) + " " + CaseString(name) + " is not in " + model.path);
    return found->second;
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '*') continue;
    if (ended) bad("text after ENDATA");
    std::istringstream fields(line);
    std::string code, first, second, extra;
    fields >> code;
    if (line[0] != ' ' && line[0] != '\t') {
      if (code == "NAME" && !named) {
        named = true;
        continue;
      }
      if (code == "ENDATA") {
        ended = true;
        continue;
      }
      bad("\"" + code + "\": NAME or ENDATA expected");
    }
    if (!named) bad("a NAME line must come first");
    fields >> first >> second >> extra;
    if (code == "XU" || code == "XL") {
      if (second.empty()) bad(code + " needs a column and a row");
      // A value after the names (some writers give one) is ignored.
      const std::size_t j = find(colAt, first, "column"), i = find(rowAt, second, "row");
      basis.cols[j] = BasisStatus::Basic;
      basis.rows[i] = code == "XU" ? BasisStatus::AtUpper : BasisStatus::AtLower;
      const double lo = model.rlo[i], up = model.rup[i];
      if (Finite(lo) && Finite(up) && lo == up) basis.rows[i] = BasisStatus::Fixed;
    } else if (code == "UL" || code == "LL") {
      if (first.empty()) bad(code + " needs a column");
      const std::size_t j = find(colAt, first, "column");
      basis.cols[j] = code == "UL" ? BasisStatus::AtUpper : BasisStatus::AtLower;
    } else {
      bad("\"" + code + "\": XU, XL, UL or LL expected");
    }
  }
  if (in.bad()) throw PostError(path + ": read error");
  if (!ended) throw PostError(path + ": line " + std::to_string(number) + ": no ENDATA line");
  return basis;
}

}  // namespace postsolve
