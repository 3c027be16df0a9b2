// An LP as a user has it in a model file (MPS or LP format), read through
// CoinUtils, and written back as MPS. The model reader, `solve`, `verify` and
// the presolver all work on this one in-memory form.
#pragma once

#include <string>
#include <vector>

namespace postsolve::kit {

// minimise (or maximise) cost.x + objOffset
// subject to rlo <= A x <= rup and clo <= x <= cup.
// A missing bound is -inf / +inf here (not the log's 1e30): converting is the
// log writer's job.
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

// Reads an MPS file (fixed or free, optionally gzipped) or an LP-format file,
// chosen by its name (.lp, else MPS). A malformed file, a quadratic or SOS
// section throws PostError naming the file, the line where known, and the reason.
Model ReadModel(const std::string& path);
// The model as free MPS text with its names; a name MPS cannot carry throws PostError.
std::string MpsText(const Model& model);
// Writes MpsText to `path`, atomically; throws PostError on a write failure.
void WriteMps(const Model& model, const std::string& path);

}  // namespace postsolve::kit
