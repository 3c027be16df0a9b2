// Model files out: MPS, free, or fixed when every name fits its 8 columns
// and every number its 12.
// Every number is the shortest text that reads back to the same double, so
// that a solver given the file solves exactly this model.

#include <cmath>
#include <algorithm>
#include <charconv>
#include <functional>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>
#include <sstream>
#include <string>

#include "failure.h"
#include "modeltext.h"
#include "numfmt.h"
#include "outfile.h"
#include "readers.h"
#include "records.h"
#include "workers.h"

namespace postsolve::modelfile {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The row type and values that read back as [lo, up]: free rows are written
// as L with the log's infinity, since readers drop N rows after the first; a
// range is written from the side whose sum with it gives the other exactly.
struct MpsRow {
  char type;
  double rhs, range;  // range 0: none
};

std::optional<MpsRow> RowOf(double lo, double up) {
  if (std::isnan(lo) || std::isnan(up) || lo > up || lo == kInf || up == -kInf) return std::nullopt;
  switch (RowKindOf(lo, up)) {
    case RowKind::Free: return MpsRow{'L', kLogInfinity, 0};  // readers take 1e30 as no bound
    case RowKind::Equal: return MpsRow{'E', lo, 0};
    case RowKind::Upper: return MpsRow{'L', up, 0};
    case RowKind::Lower: return MpsRow{'G', lo, 0};
    case RowKind::Range: break;
  }
  // Readers take an L row's range R as [rhs - |R|, rhs], a G row's as [rhs, rhs + |R|];
  // up - lo rounded may miss both by an ulp, so its neighbours are tried too.
  double range = up - lo;
  for (int step = 0; step < 8 && std::isfinite(range); ++step, range = std::nextafter(range, kInf)) {
    if (up - range == lo) return MpsRow{'L', up, range};
    if (lo + range == up) return MpsRow{'G', lo, range};
  }
  range = up - lo;
  for (int step = 0; step < 8 && range > 0; ++step, range = std::nextafter(range, 0.0)) {
    if (up - range == lo) return MpsRow{'L', up, range};
    if (lo + range == up) return MpsRow{'G', lo, range};
  }
  return std::nullopt;
}

// A number's shortest round-trip text, without an allocation.
class NumberText {
 public:
  explicit NumberText(double v) : end_(std::to_chars(text_, text_ + sizeof text_, v).ptr) {}
  operator std::string_view() const { return {text_, static_cast<std::size_t>(end_ - text_)}; }

 private:
  char text_[32];  // holds any double's shortest form
  char* end_;
};

// The cards of an MPS file, free (fields apart by one blank) or fixed (each
// field in its columns: 2-3, 5-12, 15-22, 25-36, 40-47, 50-61), handed to
// `put` a block at a time.
class Cards {
 public:
  Cards(const Model& model, bool fixed, const MpsSink& put) : model_(model), fixed_(fixed), put_(put) {}
  Cards(const Cards&) = delete;
  Cards& operator=(const Cards&) = delete;

  // Text already in cards.
  void Text(std::string_view text) {
    out_ += text;
    Spill();
  }
  // A section line.
  void Section(std::string_view text) {
    out_ += text;
    out_ += '\n';
    Spill();
  }
  // A data line: type (may be empty), then names and numbers in field order.
  void Line(std::string_view type, std::initializer_list<std::string_view> fields) {
    static constexpr std::size_t kColumn[] = {4, 14, 24, 39, 49};  // 0-based starts of fields 2..6
    const std::size_t start = out_.size();
    out_ += ' ';
    out_ += type;
    std::size_t field = 0;
    for (std::string_view text : fields) {
      if (fixed_) out_.resize(std::max(out_.size(), start + kColumn[field]), ' ');
      else out_ += ' ';
      out_ += text;
      ++field;
    }
    out_ += '\n';
    Spill();
  }
  // A finite number's text; `what` names it for the failure.
  template <class What>
  NumberText Number(double v, const What& what) {
    if (!std::isfinite(v)) throw PostError(model_.path + ": " + what() + " is not a finite number");
    return NumberText(v);
  }
  void Finish() {
    if (!out_.empty()) put_(out_);
    out_.clear();
  }

 private:
  void Spill() {
    if (out_.size() >= kBlock) Finish();
  }
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  const Model& model_;
  bool fixed_;
  const MpsSink& put_;
  std::string out_;
};

// A name free MPS can carry: not empty, no blanks.
bool FreeName(std::string_view name) {
  return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) { return c == '\n' || IsMpsBlank(c); });
}
// A name fixed MPS can carry in its 8 columns, read back as the same name.
bool FixedName(std::string_view name) { return FreeName(name) && name.size() <= 8 && name[0] != '$'; }

// Every name and number of the model fits fixed MPS's columns (numbers 12).
bool FitsFixed(const Model& model, std::string_view objective) {
  const auto fits = [](double v) { return !std::isfinite(v) || std::string_view(NumberText(v)).size() <= 12; };
  if (!model.name.empty() && !FixedName(model.name)) return false;
  if (objective.size() > 8) return false;
  for (const auto* names : {&model.rowNames, &model.colNames})
    for (const std::string& name : *names)
      if (!FixedName(name)) return false;
  for (const auto* values : {&model.rlo, &model.rup, &model.clo, &model.cup, &model.cost, &model.value})
    for (double v : *values)
      if (!fits(v)) return false;
  if (!fits(-model.objOffset)) return false;
  for (int i = 0; i < model.rows(); ++i) {
    const auto r = RowOf(model.rlo[static_cast<std::size_t>(i)], model.rup[static_cast<std::size_t>(i)]);
    if (r && !fits(r->range)) return false;
  }
  return true;
}

// The objective row's name: "obj" followed by as few underscores as make it
// no row's name.
std::string ObjectiveName(const Model& model) {
  constexpr std::string_view kStem = "obj";
  std::vector<bool> taken;  // taken[k]: a row is kStem and k underscores
  for (const std::string& row : model.rowNames) {
    if (!row.starts_with(kStem) || row.find_first_not_of('_', kStem.size()) != std::string::npos) continue;
    const std::size_t k = row.size() - kStem.size();
    if (k >= taken.size()) taken.resize(k + 1, false);
    taken[k] = true;
  }
  std::size_t k = 0;
  while (k < taken.size() && taken[k]) ++k;
  return std::string(kStem) + std::string(k, '_');
}

}  // namespace

void WriteMpsCards(const Model& model, bool fixed, const MpsSink& put) {
  const std::string objective = ObjectiveName(model);
  fixed = fixed && FitsFixed(model, objective);
  const auto named = [&](const std::string& name, const char* kind) -> const std::string& {
    if (!FreeName(name))
      throw PostError(model.path + ": " + kind + " name \"" + name + "\" cannot be written in MPS");
    return name;
  };
  Cards out(model, fixed, put);
  // FREE after the name tells readers that also take fixed MPS which this is.
  const std::string name = model.name.empty() ? "unnamed" : named(model.name, "problem");
  out.Section(fixed ? "NAME          " + name : "NAME " + name + " FREE");
  if (model.maximise) {
    out.Section("OBJSENSE");
    out.Line("", {"MAX"});
  }
  out.Section("ROWS");
  out.Line("N", {objective});
  std::vector<MpsRow> rows;
  rows.reserve(static_cast<std::size_t>(model.rows()));
  for (int i = 0; i < model.rows(); ++i) {
    const auto r = static_cast<std::size_t>(i);
    const auto row = RowOf(model.rlo[r], model.rup[r]);
    if (!row) throw PostError(model.path + ": row " + model.rowNames[r] + " has bounds MPS cannot carry");
    rows.push_back(*row);
    out.Line(std::string_view(&row->type, 1), {named(model.rowNames[r], "row")});
  }
  out.Section("COLUMNS");
  // The matrix, nearly all of the file, is written by the workers a run of
  // columns at a time, and put out in order.
  struct Columns {
    int first = 0, end = 0;
    std::string text;
  };
  constexpr int kChunkColumns = 8192;
  WorkerPool workers(model.cols() > kChunkColumns ? WorkerPool::Cores() : 0);
  int next = 0;
  PipeChunks<Columns>(
      workers,
      [&](Columns& chunk) {
        if (next >= model.cols()) return false;
        chunk.first = next;
        chunk.end = next = std::min(model.cols(), next + kChunkColumns);
        return true;
      },
      [&](Columns& chunk) {
        chunk.text.clear();
        const MpsSink into = [&chunk](std::string_view block) { chunk.text += block; };
        Cards cards(model, fixed, into);
        for (int j = chunk.first; j < chunk.end; ++j) {
          const auto c = static_cast<std::size_t>(j);
          const std::string& column = named(model.colNames[c], "column");
          // A column without entries still needs a line to exist.
          if (model.cost[c] != 0 || model.start[c] == model.start[c + 1])
            cards.Line("", {column, objective,
                            cards.Number(model.cost[c], [&] { return "the cost of column " + column; })});
          for (int k = model.start[c]; k < model.start[c + 1]; ++k) {
            const auto e = static_cast<std::size_t>(k);
            const std::string& row = model.rowNames[static_cast<std::size_t>(model.index[e])];
            cards.Line("", {column, row, cards.Number(model.value[e], [&] {
                              return "the entry of column " + column + " in row " + row;
                            })});
          }
        }
        cards.Finish();
      },
      [&](const Columns& chunk) { out.Text(chunk.text); });
  out.Section("RHS");
  if (model.objOffset != 0)
    out.Line("", {"rhs", objective, out.Number(-model.objOffset, [] { return std::string("the objective constant"); })});
  for (std::size_t r = 0; r < rows.size(); ++r)
    if (rows[r].rhs != 0) out.Line("", {"rhs", model.rowNames[r], NumberText(rows[r].rhs)});
  out.Section("RANGES");
  for (std::size_t r = 0; r < rows.size(); ++r)
    if (rows[r].range != 0) out.Line("", {"rng", model.rowNames[r], NumberText(rows[r].range)});
  out.Section("BOUNDS");
  for (int j = 0; j < model.cols(); ++j) {
    const auto c = static_cast<std::size_t>(j);
    const std::string& column = model.colNames[c];
    const double lo = model.clo[c], up = model.cup[c];
    if (std::isnan(lo) || std::isnan(up) || lo > up || lo == kInf || up == -kInf)
      throw PostError(model.path + ": column " + column + " has no valid bounds");
    if (lo == up) {
      out.Line("FX", {"bnd", column, NumberText(lo)});
    } else if (lo == -kInf && up == kInf) {
      out.Line("FR", {"bnd", column});
    } else {
      if (lo == -kInf) out.Line("MI", {"bnd", column});
      // UP before LO: a reader that lowers a zero lower bound to -inf under a
      // negative UP has the LO line after it to put it back.
      if (up != kInf) out.Line("UP", {"bnd", column, NumberText(up)});
      if (lo != -kInf && (lo != 0 || up < 0)) out.Line("LO", {"bnd", column, NumberText(lo)});
    }
  }
  out.Section("ENDATA");
  out.Finish();
}

std::string MpsText(const Model& model, bool fixed) {
  std::string text;
  WriteMpsCards(model, fixed, [&](std::string_view block) { text += block; });
  return text;
}

void WriteMpsFile(const Model& model, bool fixed, const std::string& path) {
  AtomicFile file(path);
  WriteMpsCards(model, fixed, [&](std::string_view block) { file.Put(block); });
  file.Commit();
}

}  // namespace postsolve::modelfile
