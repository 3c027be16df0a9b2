// postsolve-kit: inspection tools over the postsolver's three input files.
// The tools work on files in memory or, at scale, stream them from disk; failures throw PostError
// with the same "FILE: record N CODE at offset O: reason" shape as the replay.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "casefile.h"
#include "postsolve/logwriter.h"
#include "postsolve/model.h"
#include "postsolve/postsolve.h"
#include "postsolve/terms.h"
#include "walk.h"

namespace postsolve::kit {

// Exit statuses of postsolve-kit.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;    // an input could not be read or written
inline constexpr int kUsage = 2;     // bad arguments
inline constexpr int kOutside = 3;   // check, verify: a measure is outside its tolerance

// show: DIR's log drawn as the full matrix's pattern, the reduced LP's rows
// and columns first and each removed one coloured by the reduction that
// removed it, binned to at most `size` x `size` cells; written as SVG to
// `svgPath`. Returns what the legend says.
struct ShowSummary {
  long rows = 0, cols = 0, entries = 0, rowsAfter = 0, colsAfter = 0;
  std::map<std::string, long> records;  // by kind, the kinds present
};
ShowSummary Show(const std::string& dir, const std::string& svgPath, int size = 800);

// Reads DIR/dravfile.{sol,stk,bin}.
CaseFiles LoadDir(const std::string& dir);

// What a walk over the files found, for --summary.
struct Census {
  struct Kind {
    long count = 0;
    std::size_t bytes = 0;  // code and payload, names and gaps not included
  };
  std::map<int, Kind> kinds;  // by record code
  std::size_t nameBytes = 0, gapBytes = 0;
  int status = 0, nc = 0, nr = 0;  // the reduced problem
  int m = 0, n = 0;                // from record 0
  long entries = 0;                // column counts of the MATRIX records, added up
  long records = 0;
  std::string name;                // problem name as stored (all its bytes)
};

// Writes the files as case text, record by record in file order, each record
// after a comment with its index, offset and code. The text reads back (pack)
// to the same bytes. At a malformed spot, everything before it has been
// written when the PostError naming the spot is thrown.
Census Dump(const CaseFiles& files, std::ostream& out);
// The same over DIR's files read from disk, the text written as it is made.
Census Dump(const std::string& dir, std::ostream& out);
// The same walk, writing nothing; then one line per record kind and the sizes.
void Summary(const CaseFiles& files, std::ostream& out);
void Summary(const std::string& dir, std::ostream& out);

// The full solution as CSV or JSON, each carrying the status (code and word)
// and the objective c.x beside the rows and columns; or as a HiGHS-style
// solution file: model status, objective, then column and row values and
// duals by name, every number in its shortest round-trip form.
// The objective is in the model's sense with its constant and the duals
// follow kDualConvention, from `terms` (DIR/problem.json); without it, the
// log's minimisation. CSV gives the sense in the objective line's name field.
inline constexpr const char* kDualConvention =
    "a row's dual is the change of the objective, in the model's sense, per unit of its active side; "
    "a column's dual slack is its cost less the row duals times its entries";
void ExportCsv(SolutionWalk& walk, std::ostream& out, const ModelTerms& terms = {});
void ExportJson(SolutionWalk& walk, std::ostream& out, const ModelTerms& terms = {});
// The pandas-friendly table: one CSV per kind, each with the header
// name,value,lower,upper,dual,basis (a row's value is its activity; basis the
// status the point shows, basis.h), values and duals in the model's terms.
void ExportTable(const Solution& solution, const ModelTerms& terms, std::ostream& rows, std::ostream& cols);
// A CSV field, quoted when it holds a comma, quote or line break.
std::string CsvField(const std::string& s);
void ExportHighs(SolutionWalk& walk, std::ostream& out);

// Another solver's answer. Names are looked up in `model` when it is given
// (its column and row order is the reduced order); otherwise the file's
// columns and rows are taken in order. A file that does not read throws
// PostError naming it and the line.
ReducedSolution ImportHighs(const std::string& path, const std::string& text, const Model* model);
ReducedSolution ImportCsv(const std::string& path, const std::string& text, const Model* model);

}  // namespace postsolve::kit
