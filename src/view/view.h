// The solution view: how a replayed state is shown, one row or column at a
// time, to every reader of it (the report, the library's Solution, check and
// the exports). A row's type gives the sides it shows; a column bound beyond
// REPINF is no bound; a missing side is -inf / +inf; the dual slack is
// c - A'y, the negated product the run computed.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include "postdata.h"

namespace postsolve {

// How a row is shown: its type from the type byte, and which of its sides it
// shows (a missing side prints as infinity).
struct RowClass {
  const char* type;  // EQ LE GE RG
  bool lower, upper;
};
inline RowClass ClassifyRow(char rtype) {
  switch (rtype) {
    case 'E': return {"EQ", true, true};
    case 'L': return {"LE", false, true};
    case 'G': return {"GE", true, false};
    default: return {"RG", true, true};
  }
}
// How a column is shown from its bounds; a bound beyond REPINF is infinite.
struct ColumnClass {
  const char* type;  // FR UP LO FX BO
  bool lower, upper;
};
inline ColumnClass ClassifyColumn(double lo, double up) {
  const bool lower = !(lo < -REPINF), upper = !(up > REPINF);
  if (!lower && !upper) return {"FR", false, false};
  if (!lower) return {"UP", false, true};
  if (!upper) return {"LO", true, false};
  return {std::fabs(lo - up) < 1e-13 ? "FX" : "BO", true, true};
}

// A side shown but at or beyond the report's infinity is no side to a
// caller either: -inf / +inf, as for a column.
inline double ShownLower(bool shown, double lo) {
  return shown && !(lo < -REPINF) ? lo : -std::numeric_limits<double>::infinity();
}
inline double ShownUpper(bool shown, double up) {
  return shown && !(up > REPINF) ? up : std::numeric_limits<double>::infinity();
}

// One row of the solution as shown. The report prints a shown side as it is
// stored (rlo, rup); callers get lo and up, -inf / +inf where there is none.
struct RowView {
  RowClass cls;
  double rlo, rup;
  double lo, up, act, dual;
};
// One column; z is the dual slack c - A'y.
struct ColView {
  ColumnClass cls;
  double lo, up, x, z, c;
};

// Both need the products (ax, atyc) done.
inline RowView ViewRow(const PostData& pd, std::size_t r) {
  const RowClass cls = ClassifyRow(pd.rtype[r]);
  const double rlo = pd.rlo[r], rup = pd.rup[r];
  return {cls, rlo, rup, ShownLower(cls.lower, rlo), ShownUpper(cls.upper, rup), pd.ax[r], pd.y[r]};
}
inline ColView ViewColumn(const PostData& pd, std::size_t j) {
  const double lo = pd.clo[j], up = pd.cup[j];
  const ColumnClass cls = ClassifyColumn(lo, up);
  return {cls, ShownLower(cls.lower, lo), ShownUpper(cls.upper, up), pd.x[j], -pd.atyc[j], pd.c[j]};
}

// c.x summed over the columns in order: the objective of the log's minimisation.
double Objective(const PostData& pd);

// The word for a solution status code (-1 unsolved, 0 optimal, 1 infeasible,
// 2 unbounded, 3 difficulty), or nullptr outside them; callers choose what
// an unknown code reads as.
const char* KnownStatusWord(int status);
// The report's spelling: "unknown" outside the table.
inline const char* StatusName(int status) {
  const char* word = KnownStatusWord(status);
  return word != nullptr ? word : "unknown";
}
// The tools' spelling: "status N" outside the table, so that the code shows.
std::string StatusText(int status);

}  // namespace postsolve
