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
#include "postdata.h"

namespace kit {

// The twelve reduction kinds, indexed by record code (MATRIX and HEADER unused).
inline constexpr std::array<RecCode, 12> kReductionKinds = {
    NULROW, NULCOL, FIXCOL, DOMCOL, SGLROW, DOMROW,
    DBLROW, FORROW, DUPROW, DUPCOL, LOWBND, MINBND};

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
    for (RecCode k : kReductionKinds) enabled[k] = true;
  }
  bool on(RecCode k) const { return enabled[k]; }
};

// "NULROW,FIXCOL" (or "none", or "all") to the kinds it names; throws
// PostError on an unknown name.
std::vector<RecCode> ParseKinds(std::string_view list);

struct PresolveResult {
  std::string bin, stk;      // dravfile.bin and dravfile.stk
  Model reduced;             // the reduced LP, in reduced index order
  std::array<long, NCODES> counts{};  // records written, by code
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

}  // namespace kit
