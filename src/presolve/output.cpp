// The presolve directory: the log, the reduced LP and problem.json, staged and
// swapped in as one result (resultdir.h).
#include <nlohmann/json.hpp>

#include "outfile.h"
#include "output.h"
#include "postsolve/presolve.h"
#include "readers.h"
#include "records.h"
#include "resultdir.h"

namespace postsolve {

namespace {

// The log and problem.json, which says what the log cannot carry: the full
// name, the sense and the objective constant.
void StageLogFiles(const Model& model, const PresolveResult& result, ResultTransaction& txn) {
  nlohmann::json problem = {{"model", model.path},
                            {"name", model.name},
                            {"log_name", result.logName},
                            {"maximise", model.maximise},
                            {"objective_constant", model.objOffset}};
  ReplaceFile(txn.Staged(BINFILE), result.bin);
  ReplaceFile(txn.Staged(STKFILE), result.stk);
  ReplaceFile(txn.Staged("problem.json"), problem.dump(2) + "\n");
}

void StageReducedLp(const PresolveResult& result, ResultTransaction& txn) {
  modelfile::WriteMpsFile(result.reduced, false, txn.Staged("reduced.mps"));
}

}  // namespace

void StagePresolveFiles(const Model& model, const PresolveResult& result, ResultTransaction& txn) {
  StageLogFiles(model, result, txn);
  StageReducedLp(result, txn);
}

void WritePresolveDir(const Model& model, const PresolveResult& result, const std::string& dir) {
  ReplaceResult(dir, [&](ResultTransaction& txn) { StagePresolveFiles(model, result, txn); });
}

void WritePresolveDir(const Model& model, PresolveResult&& result, const std::string& dir) {
  ReplaceResult(dir, [&](ResultTransaction& txn) {
    StageLogFiles(model, result, txn);
    std::string().swap(result.bin);
    StageReducedLp(result, txn);
  });
}

}  // namespace postsolve
