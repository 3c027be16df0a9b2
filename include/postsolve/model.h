// An LP as a user has it in a model file, the one form every stage of the
// pipeline reads: the model reader, the presolver (its input and its reduced
// LP), the Clp bridge and verify.
//
//   postsolve::Model m = postsolve::ReadModel("afiro.mps");
//   for (int j = 0; j < m.cols(); ++j) ... m.clo[j], m.cup[j], m.cost[j]
//
// A missing bound is -inf / +inf (std::numeric_limits<double>::infinity()),
// never a large number: converting to the log's 1e30 is the log writer's job.
#pragma once

#include <string>
#include <vector>

#include "postsolve/error.h"

namespace postsolve {

// minimise (or maximise) cost.x + objOffset
// subject to rlo <= A x <= rup and clo <= x <= cup.
struct Model {
  std::string path;   // the file read, for messages
  std::string name;   // the problem name as the file gives it (any length)
  bool maximise = false;
  double objOffset = 0;  // the objective's constant term
  std::vector<std::string> rowNames, colNames;
  std::vector<double> rlo, rup;         // one per row
  std::vector<double> clo, cup, cost;   // one per column
  // The matrix by columns: column j's entries are [start[j], start[j + 1]) of
  // index (row) and value; start has cols() + 1 entries.
  std::vector<int> start{0};
  std::vector<int> index;
  std::vector<double> value;
  std::vector<std::string> notes;  // what the reader changed, e.g. integer markers relaxed

  int rows() const { return static_cast<int>(rlo.size()); }
  int cols() const { return static_cast<int>(clo.size()); }
};

// The one rule from a row's bounds to its kind, shared by the log writer, the
// model writer and verify. Free: no finite side; Equal: both sides the same.
enum class RowKind { Free, Lower, Upper, Range, Equal };
RowKind RowKindOf(double lo, double up);

// Model file formats. Mps: fixed or free, told apart from the file; Auto: by
// the file's name (.lp or .lp.gz is LP format, anything else MPS).
enum class ModelFormat { Auto, Mps, FreeMps, FixedMps, Lp };

// Reads a model file (plain or gzipped, whatever its name). A malformed file,
// a quadratic, conic, SOS or indicator section throws Error
// "PATH:LINE: reason"; a model without a name takes the file's stem.
Model ReadModel(const std::string& path, ModelFormat format = ModelFormat::Auto);
// The model as free MPS text with its names; a name MPS cannot carry throws Error.
std::string MpsText(const Model& model);
// The model as LP-format text.
std::string LpText(const Model& model);
// Writes the model atomically (beside `path` first, then renamed into place)
// in `format`; Auto chooses by the name: .lp is LP format, anything else MPS,
// fixed columns when every name fits them. Throws Error on a write failure
// or a model the format cannot carry.
void WriteModel(const Model& model, const std::string& path, ModelFormat format = ModelFormat::Auto);
// WriteModel as free MPS.
void WriteMps(const Model& model, const std::string& path);

}  // namespace postsolve

namespace postsolve {

// The limits of what Clp takes, measured: a cost of 1e25 stops it on an
// assertion; a finite bound of 1e20 or more it solves wrongly (from 1e25 it
// takes one for none), and coefficients as large it cannot scale.
inline constexpr double kLargestCost = 1e25;
inline constexpr double kLargestFinite = 1e20;  // bounds and coefficients
// Clp's primal feasibility tolerance, its default: a column whose range is
// below it Clp can leave at either bound with a dual slack of either sign.
inline constexpr double kSolverTolerance = 1e-7;

// Refuses, with Error "PATH: row NAME (index I): reason" (or column, or the
// model), a model no stage can take: arrays whose sizes disagree, an entry
// outside the matrix, a row or column name given twice, a bound that is NaN
// or leaves no value (a lower bound of +infinity, an upper one of -infinity),
// a finite bound (below 1e30, the infinity) at or beyond kLargestFinite, a
// coefficient that is not finite or at or beyond kLargestFinite, a cost that
// is not finite or at or beyond kLargestCost. Presolve, SolveWithClp and Run
// call it first.
void CheckModel(const Model& model);

}  // namespace postsolve
