// LP-format text that the LP reader reads back to the same model bit for
// bit: every number is the shortest text that reads back to the same double,
// and the objective names every column in order (a zero cost as "0 x") so
// that the columns come back in their order, those without entries included.

#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "failure.h"
#include "modeltext.h"
#include "numfmt.h"
#include "readers.h"

namespace postsolve::modelfile {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::size_t kLineWidth = 80;  // lines are broken between terms beyond it

class LpBuilder {
 public:
  explicit LpBuilder(const Model& model) : model_(model) {}
  std::string Text();

 private:
  // Appends a piece that starts with a blank, on a new line when the line is full.
  void Piece(std::string_view piece, std::string_view more = {}) {
    if (text_.size() - lineStart_ + piece.size() + more.size() > kLineWidth && text_.size() - lineStart_ > 1) Line();
    text_ += piece;
    text_ += more;
  }
  void Line() {
    text_ += '\n';
    lineStart_ = text_.size();
  }
  void Term(double value, const std::string& name);
  std::string Number(double value, const std::string& what) const;
  void CheckNames() const;
  void Objective();
  void Constraints();
  void Bounds();

  const Model& model_;
  std::string text_;
  std::size_t lineStart_ = 0;
};

std::string LpBuilder::Number(double value, const std::string& what) const {
  if (!std::isfinite(value)) throw PostError(model_.path + ": " + what + " is not a finite number");
  return CaseDouble(value);
}

// " + 3 x", " - x", " - 0 x": the sign apart, so that -0 keeps its sign.
// The value is finite.
void LpBuilder::Term(double value, const std::string& name) {
  const double magnitude = std::fabs(value);
  if (magnitude == 1) {
    Piece(std::signbit(value) ? " - " : " + ", name);
    return;
  }
  std::string piece = std::signbit(value) ? " - " : " + ";
  piece += CaseDouble(magnitude);
  piece += ' ';
  Piece(piece, name);
}

void LpBuilder::CheckNames() const {
  if (model_.rowNames.size() != model_.rlo.size() || model_.colNames.size() != model_.clo.size())
    throw PostError(model_.path + ": the model's names do not match its rows and columns");
  for (const std::string& name : model_.rowNames)
    if (!LpNameWritable(name, true))
      throw PostError(model_.path + ": row name " + Shown(name) + " cannot be written in LP format");
  for (const std::string& name : model_.colNames)
    if (!LpNameWritable(name, false))
      throw PostError(model_.path + ": column name " + Shown(name) + " cannot be written in LP format");
}

void LpBuilder::Objective() {
  text_ += model_.maximise ? "Maximize\n" : "Minimize\n";
  lineStart_ = text_.size();
  text_ += " obj:";
  for (int j = 0; j < model_.cols(); ++j) {
    const auto c = static_cast<std::size_t>(j);
    if (!std::isfinite(model_.cost[c]))
      throw PostError(model_.path + ": the cost of column " + model_.colNames[c] + " is not a finite number");
    Term(model_.cost[c], model_.colNames[c]);
  }
  const double offset = model_.objOffset;
  if (offset != 0 || std::signbit(offset))
    Piece(std::signbit(offset) ? " - " : " + ", Number(std::fabs(offset), "the objective constant"));
  Line();
}

void LpBuilder::Constraints() {
  text_ += "Subject To\n";
  lineStart_ = text_.size();
  // The rows' entries, by rows: rows in order, each row's entries by column.
  std::vector<int> rowStart(static_cast<std::size_t>(model_.rows()) + 1, 0);
  for (const int row : model_.index) ++rowStart[static_cast<std::size_t>(row) + 1];
  for (std::size_t i = 0; i + 1 < rowStart.size(); ++i) rowStart[i + 1] += rowStart[i];
  std::vector<int> next(rowStart.begin(), rowStart.end() - 1), entryCol(model_.index.size());
  std::vector<double> entryValue(model_.index.size());
  for (int j = 0; j < model_.cols(); ++j)
    for (int k = model_.start[static_cast<std::size_t>(j)]; k < model_.start[static_cast<std::size_t>(j) + 1]; ++k) {
      const auto at = static_cast<std::size_t>(next[static_cast<std::size_t>(model_.index[static_cast<std::size_t>(k)])]++);
      entryCol[at] = j;
      entryValue[at] = model_.value[static_cast<std::size_t>(k)];
    }
  for (int i = 0; i < model_.rows(); ++i) {
    const auto r = static_cast<std::size_t>(i);
    const double lo = model_.rlo[r], up = model_.rup[r];
    const std::string& name = model_.rowNames[r];
    if (std::isnan(lo) || std::isnan(up) || lo == kInf || up == -kInf)
      throw PostError(model_.path + ": row " + name + " has no valid bounds");
    RowKind kind = RowKindOf(lo, up);
    if (kind == RowKind::Equal && std::signbit(lo) != std::signbit(up)) kind = RowKind::Range;  // -0 and 0
    text_ += ' ';
    text_ += name;
    text_ += ':';
    if (kind == RowKind::Range) Piece(" ", CaseDouble(lo) + " <=");
    if (rowStart[r] == rowStart[r + 1]) {
      // A row without entries still needs a term to be read: a zero one.
      if (model_.cols() == 0)
        throw PostError(model_.path + ": row " + name + " has no entries and the model no columns to write it with");
      Piece(" 0 ", model_.colNames[0]);
    }
    for (auto k = static_cast<std::size_t>(rowStart[r]); k < static_cast<std::size_t>(rowStart[r + 1]); ++k) {
      const std::string& column = model_.colNames[static_cast<std::size_t>(entryCol[k])];
      if (!std::isfinite(entryValue[k]))
        throw PostError(model_.path + ": the entry of column " + column + " in row " + name + " is not a finite number");
      Term(entryValue[k], column);
    }
    switch (kind) {
      case RowKind::Equal: Piece(" = ", CaseDouble(lo)); break;
      case RowKind::Upper:
      case RowKind::Range: Piece(" <= ", CaseDouble(up)); break;
      case RowKind::Lower: Piece(" >= ", CaseDouble(lo)); break;
      case RowKind::Free: Piece(" >= -inf"); break;  // read back as a row with no side
    }
    Line();
  }
}

void LpBuilder::Bounds() {
  bool heading = false;
  for (int j = 0; j < model_.cols(); ++j) {
    const auto c = static_cast<std::size_t>(j);
    const double lo = model_.clo[c], up = model_.cup[c];
    const std::string& name = model_.colNames[c];
    if (lo == 0 && !std::signbit(lo) && up == kInf) continue;  // the default [0, +inf)
    if (std::isnan(lo) || std::isnan(up) || lo == kInf || up == -kInf)
      throw PostError(model_.path + ": column " + name + " has no valid bounds");
    if (!heading) text_ += "Bounds\n";
    heading = true;
    text_ += ' ';
    if (lo == -kInf && up == kInf) {
      text_ += name + " free";
    } else if (lo == up && std::signbit(lo) == std::signbit(up)) {
      text_ += name + " = " + CaseDouble(lo);
    } else if (up == kInf) {
      text_ += name + " >= " + CaseDouble(lo);
    } else {
      text_ += (lo == -kInf ? std::string("-inf") : CaseDouble(lo)) + " <= " + name + " <= " + CaseDouble(up);
    }
    text_ += '\n';
  }
  lineStart_ = text_.size();
}

std::string LpBuilder::Text() {
  CheckNames();
  // The reader takes the problem's name from this comment.
  const std::string& name = model_.name;
  if (LpProblemNameWritable(name)) text_ += "\\ Problem name: " + name + "\n";
  Objective();
  Constraints();
  Bounds();
  text_ += "End\n";
  return std::move(text_);
}

}  // namespace

std::string LpText(const Model& model) {
  LpBuilder builder(model);
  return builder.Text();
}

bool LpProblemNameWritable(std::string_view name) {
  const auto edge = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  return !name.empty() && name.find_first_of("\r\n") == std::string_view::npos && !edge(name.front()) &&
         !edge(name.back());
}

}  // namespace postsolve::modelfile
