// Model files out: MPS (free, or fixed when every name fits its columns).
// Every number is the shortest text that reads back to the same double, so
// that a solver given the file solves exactly this model.

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "failure.h"
#include "numfmt.h"
#include "readers.h"
#include "records.h"

namespace postsolve::modelfile {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A name free MPS can carry: not empty, no blanks.
const std::string& MpsName(const Model& model, const std::string& name, const char* kind) {
  if (name.empty() || name.find_first_of(" \t\r\n") != std::string::npos)
    throw PostError(model.path + ": " + kind + " name \"" + name + "\" cannot be written in free MPS");
  return name;
}

std::string Number(const Model& model, double v, const std::string& where) {
  if (!std::isfinite(v)) throw PostError(model.path + ": " + where + " is not a finite number");
  return CaseDouble(v);
}

// The row type and values that read back as [lo, up]: N-free rows are
// written as L with an infinite side, since readers drop N rows after the
// first; a range picks the side whose sum gives the other exactly, if one does.
struct MpsRow {
  char type;
  double rhs, range;  // range 0: none
};

MpsRow RowOf(double lo, double up) {
  switch (RowKindOf(lo, up)) {
    case RowKind::Free: return {'L', kLogInfinity, 0};  // Clp reads 1e30 as no bound
    case RowKind::Equal: return {'E', lo, 0};
    case RowKind::Upper: return {'L', up, 0};
    case RowKind::Lower: return {'G', lo, 0};
    case RowKind::Range: break;
  }
  const double range = up - lo;
  if (up - range == lo) return {'L', up, range};
  return {'G', lo, range};
}

void WriteFreeMps(const Model& model, std::ostream& out) {
  std::string objective = "obj";
  for (const std::string& row : model.rowNames)
    if (row == objective) objective += "_";
  // FREE after the name tells readers that also take fixed MPS which this is.
  out << "NAME " << (model.name.empty() ? "unnamed" : MpsName(model, model.name, "problem")) << " FREE\n";
  if (model.maximise) out << "OBJSENSE\n    MAX\n";
  out << "ROWS\n N  " << objective << "\n";
  std::vector<MpsRow> rows;
  for (int i = 0; i < model.rows(); ++i) {
    const auto r = static_cast<std::size_t>(i);
    const std::string where = "row " + model.rowNames[r];
    if (std::isnan(model.rlo[r]) || std::isnan(model.rup[r]) || model.rlo[r] > model.rup[r])
      throw PostError(model.path + ": " + where + " has no valid bounds");
    rows.push_back(RowOf(model.rlo[r], model.rup[r]));
    out << ' ' << rows.back().type << "  " << MpsName(model, model.rowNames[r], "row") << "\n";
  }
  out << "COLUMNS\n";
  for (int j = 0; j < model.cols(); ++j) {
    const auto c = static_cast<std::size_t>(j);
    const std::string& name = MpsName(model, model.colNames[c], "column");
    // A column without entries still needs a line to exist.
    if (model.cost[c] != 0 || model.start[c] == model.start[c + 1])
      out << "    " << name << ' ' << objective << ' ' << Number(model, model.cost[c], "a cost") << "\n";
    for (int k = model.start[c]; k < model.start[c + 1]; ++k) {
      const auto e = static_cast<std::size_t>(k);
      out << "    " << name << ' ' << model.rowNames[static_cast<std::size_t>(model.index[e])] << ' '
          << Number(model, model.value[e], "a matrix entry") << "\n";
    }
  }
  out << "RHS\n";
  if (model.objOffset != 0)
    out << "    rhs " << objective << ' ' << Number(model, -model.objOffset, "the objective constant") << "\n";
  for (std::size_t r = 0; r < rows.size(); ++r)
    if (rows[r].rhs != 0) out << "    rhs " << model.rowNames[r] << ' ' << CaseDouble(rows[r].rhs) << "\n";
  out << "RANGES\n";
  for (std::size_t r = 0; r < rows.size(); ++r)
    if (rows[r].range != 0) out << "    rng " << model.rowNames[r] << ' ' << CaseDouble(rows[r].range) << "\n";
  out << "BOUNDS\n";
  for (int j = 0; j < model.cols(); ++j) {
    const auto c = static_cast<std::size_t>(j);
    const std::string& name = model.colNames[c];
    const double lo = model.clo[c], up = model.cup[c];
    if (std::isnan(lo) || std::isnan(up) || lo > up || lo == kInf || up == -kInf)
      throw PostError(model.path + ": column " + name + " has no valid bounds");
    if (lo == up) {
      out << " FX bnd " << name << ' ' << CaseDouble(lo) << "\n";
    } else if (lo == -kInf && up == kInf) {
      out << " FR bnd " << name << "\n";
    } else {
      if (lo == -kInf) out << " MI bnd " << name << "\n";
      // UP before LO: a reader that lowers a zero lower bound to -inf under a
      // negative UP has the LO line after it to put it back.
      if (up != kInf) out << " UP bnd " << name << ' ' << CaseDouble(up) << "\n";
      if (lo != -kInf && (lo != 0 || up < 0)) out << " LO bnd " << name << ' ' << CaseDouble(lo) << "\n";
    }
  }
  out << "ENDATA\n";
}

}  // namespace

std::string MpsText(const Model& model, bool) {
  std::ostringstream mps;
  WriteFreeMps(model, mps);
  return mps.str();
}

}  // namespace postsolve::modelfile
