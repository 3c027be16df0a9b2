// The presolver: reduces an LP model and writes the log the postsolver
// replays. Every reduction is applied only where the replay's own undo
// formulas give back an optimal solution of the original LP.
//
//   postsolve::PresolveOptions options;
//   options.Select("all", "DUPCOL");                 // every kind but duplicate columns
//   postsolve::PresolveResult r = postsolve::Presolve(postsolve::ReadModel("afiro.mps"), options);
//   postsolve::WritePresolveDir(model, r, "out");    // dravfile.bin, .stk, reduced.mps, problem.json
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "postsolve/model.h"
#include "postsolve/timing.h"

namespace postsolve {

// The twelve reduction kinds; each value is the kind's record code in the log.
enum class Reduction : int {
  DOMCOL = 0, DUPCOL = 1, FIXCOL = 2, NULCOL = 3, LOWBND = 4, MINBND = 6,
  DBLROW = 8, DOMROW = 9, FORROW = 10, NULROW = 11, DUPROW = 12, SGLROW = 13
};
constexpr int AsInt(Reduction kind) { return static_cast<int>(kind); }
inline constexpr int kRecordCodes = 16;  // the log's record codes, reductions and others
// In the order the summary lists them.
inline constexpr std::array<Reduction, 12> kReductionKinds = {
    Reduction::NULROW, Reduction::NULCOL, Reduction::FIXCOL, Reduction::DOMCOL, Reduction::SGLROW, Reduction::DOMROW,
    Reduction::DBLROW, Reduction::FORROW, Reduction::DUPROW, Reduction::DUPCOL, Reduction::LOWBND, Reduction::MINBND};
// The kind's six-letter name, as the log and the options spell it.
std::string ReductionName(Reduction kind);
// "NULROW,FIXCOL" (or "none", or "all") to the kinds it names; throws Error
// on an unknown name.
std::vector<Reduction> ParseKinds(std::string_view list);

struct PresolveOptions {
  // A bound b is met by v when v is within feasTol * (1 + |b|) of it: used for
  // infeasibility, forcing rows and implied-free columns.
  double feasTol = 1e-9;
  // The smallest coefficient magnitude the presolver divides by (singleton,
  // doubleton and dominated rows) or lets a forcing row carry.
  double pivotTol = 1e-7;
  int passLimit = 30;
  std::array<bool, kRecordCodes> enabled{};  // by record code; all twelve kinds by default

  PresolveOptions() {
    for (Reduction k : kReductionKinds) enabled[static_cast<std::size_t>(AsInt(k))] = true;
  }
  bool on(Reduction k) const { return enabled[static_cast<std::size_t>(AsInt(k))]; }
  void set(Reduction k, bool on) { enabled[static_cast<std::size_t>(AsInt(k))] = on; }
  // Only the kinds `only` names (all when empty), less those `skip` names;
  // each a list as ParseKinds reads it.
  void Select(std::string_view only, std::string_view skip);
};

struct PresolveResult {
  std::string bin, stk;      // dravfile.bin and dravfile.stk
  Model reduced;             // the reduced LP, in reduced index order
  std::array<long, kRecordCodes> counts{};  // records written, by record code
  long count(Reduction k) const { return counts[static_cast<std::size_t>(AsInt(k))]; }
  // Whether any reduction was made (bound shifts included).
  bool reducedAnything() const {
    for (Reduction k : kReductionKinds)
      if (count(k) > 0) return true;
    return false;
  }
  std::string logName;       // the problem name as the log holds it (at most 19 bytes)
  long entriesBefore = 0, entriesAfter = 0;
  // Where the presolve spent its time: "model checks", "working copy" (the
  // matrix by rows and columns), "pass N" over the rows and columns that
  // changed, "duplicates N" (the searches made when a pass found nothing),
  // "bound shifts", "reduced LP", "log header and matrix" (made last, with
  // the maps, and put in front of the reductions); the
  // passes, searches and shifts with the reductions each made ("pass 1
  // (1204)"). The peak is the process's high-water mark so far.
  std::vector<PhaseTiming> passes;
};

// Presolves `model` (a maximisation is negated into a minimisation first).
// A model CheckModel refuses throws Error first. An infeasible model met on
// the way throws Error naming the row or column that shows it; an empty
// column whose cost improves without bound stays in the reduced LP for the
// solver, unless no row is left, when the model is found unbounded.
PresolveResult Presolve(const Model& model, const PresolveOptions& options = {});

// Writes DIR/dravfile.bin, dravfile.stk, reduced.mps and problem.json (what the
// log cannot carry: the full name, the sense, the objective constant) as one
// transaction on DIR's result (docs/kit.md, "The output directory"): all of
// them or none, the earlier solution and report taken away as stale. Throws
// Error for an empty DIR.
void WritePresolveDir(const Model& model, const PresolveResult& result, const std::string& dir);
// The same for a result the caller is done with: the log's bytes are let go
// of once staged, before reduced.mps is written, so that a large model's log
// and its reduced LP's file are not made while both are held.
void WritePresolveDir(const Model& model, PresolveResult&& result, const std::string& dir);

// One line per kind with its count, then the sizes before and after.
void PrintPresolveSummary(const Model& model, const PresolveResult& result, std::ostream& out);

}  // namespace postsolve
