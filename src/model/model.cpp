// The model's one home: the row-kind rule, and reading and writing model
// files by format (the readers and writers are in their own files).

#include <string>
#include <string_view>

#include "modeltext.h"
#include "outfile.h"
#include "postsolve/model.h"
#include "readers.h"
#include "records.h"

namespace postsolve {

namespace {

bool EndsWith(std::string_view s, std::string_view tail) { return s.ends_with(tail); }

bool LpByName(const std::string& path) { return EndsWith(path, ".lp") || EndsWith(path, ".lp.gz"); }

}  // namespace

RowKind RowKindOf(double lo, double up) {
  const bool lower = lo > -kLogInfinity, upper = up < kLogInfinity;
  if (lower && upper) return lo == up ? RowKind::Equal : RowKind::Range;
  if (upper) return RowKind::Upper;
  if (lower) return RowKind::Lower;
  return RowKind::Free;
}

Model ReadModel(const std::string& path, ModelFormat format) {
  if (format == ModelFormat::Auto) format = LpByName(path) ? ModelFormat::Lp : ModelFormat::Mps;
  Model model = format == ModelFormat::Lp ? modelfile::ReadLp(path) : modelfile::ReadMps(path, format);
  if (model.name.empty()) model.name = modelfile::FileStem(path);
  return model;
}

std::string MpsText(const Model& model) { return modelfile::MpsText(model, false); }

std::string LpText(const Model& model) { return modelfile::LpText(model); }

void WriteModel(const Model& model, const std::string& path, ModelFormat format) {
  if (format == ModelFormat::Auto) format = LpByName(path) ? ModelFormat::Lp : ModelFormat::FixedMps;
  switch (format) {
    case ModelFormat::Lp: ReplaceFile(path, modelfile::LpText(model)); return;
    case ModelFormat::FreeMps: modelfile::WriteMpsFile(model, false, path); return;
    case ModelFormat::Auto:
    case ModelFormat::Mps:
    case ModelFormat::FixedMps: modelfile::WriteMpsFile(model, true, path); return;
  }
}

void WriteMps(const Model& model, const std::string& path) { WriteModel(model, path, ModelFormat::FreeMps); }

}  // namespace postsolve
