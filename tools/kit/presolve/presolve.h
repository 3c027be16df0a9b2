// The presolver: reduces an LP model and writes the log the postsolver
// replays. Every reduction is applied only where the replay's own undo
// formulas give back an optimal solution of the original LP.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "kit.h"
#include "model.h"
#include "records.h"

namespace postsolve::kit {

// The twelve reduction kinds, indexed by record code (MATRIX and HEADER unused).
inline constexpr std::array<RecordCode, 12> kReductionKinds = {
    RecordCode::NULROW, RecordCode::NULCOL, RecordCode::FIXCOL, RecordCode::DOMCOL, RecordCode::SGLROW, RecordCode::DOMROW,
    RecordCode::DBLROW, RecordCode::FORROW, RecordCode::DUPROW, RecordCode::DUPCOL, RecordCode::LOWBND, RecordCode::MINBND};

struct PresolveOptions {
  // A bound b is met by v when v is within feasTol * (1 + |b|) of it: used for
  // infeasibility, forcing rows and implied-free columns.
  double feasTol = 1e-9;
  // The smallest coefficient magnitude the presolver divides by (singleton,
  // doubleton and dominated rows) or lets a forcing row carry.
  double pivotTol = 1e-7;
  int passLimit = 30;
  std::array<bool, NCODES> enabled{};  // by record code; all twelve kinds by default

  PresolveOptions() {
    for (RecordCode k : kReductionKinds) enabled[AsInt(k)] = true;
  }
  bool on(RecordCode k) const { return enabled[AsInt(k)]; }
  void set(RecordCode k, bool on) { enabled[AsInt(k)] = on; }
};

// "NULROW,FIXCOL" (or "none", or "all") to the kinds it names; throws
// PostError on an unknown name.
std::vector<RecordCode> ParseKinds(std::string_view list);

struct PresolveResult {
  std::string bin, stk;      // dravfile.bin and dravfile.stk
  Model reduced;             // the reduced LP, in reduced index order
  std::array<long, NCODES> counts{};  // records written, by code
  long count(RecordCode k) const { return counts[AsInt(k)]; }
  std::string logName;       // the problem name as the log holds it (at most 19 bytes)
  long entriesBefore = 0, entriesAfter = 0;
};

// Presolves `model` (a maximisation is negated into a minimisation first).
// An infeasible or unbounded model met on the way throws PostError naming the
// row or column that shows it.
PresolveResult Presolve(const Model& model, const PresolveOptions& options);

// Writes DIR/dravfile.bin, dravfile.stk, reduced.mps and problem.json (what the
// log cannot carry: the full name, the sense, the objective constant). Each
// file is written beside its final name first and all are renamed into place
// only when every one is complete.
void WritePresolveDir(const Model& model, const PresolveResult& result, const std::string& dir);

// One line per kind with its count, then the sizes before and after.
void PrintPresolveSummary(const Model& model, const PresolveResult& result, std::ostream& out);

// run: presolve MODEL into DIR, solve the reduced LP with Clp, replay the log
// and write the report as the postsolve program does, then verify the full
// solution against MODEL. Prints a summary; returns kOk or kOutside (a
// verification measure outside its tolerance). A stage that fails, or a solve
// that does not end optimal, throws PostError.
int RunPipeline(const std::string& modelPath, const std::string& dir, const PresolveOptions& options,
                const Tolerances& tol, std::ostream& out, std::ostream& err);

}  // namespace postsolve::kit
