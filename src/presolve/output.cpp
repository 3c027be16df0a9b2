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

void StagePresolveFiles(const Model& model, const PresolveResult& result, ResultTransaction& txn) {
  // What the log cannot carry: the full name, the sense and the objective constant.
  nlohmann::json problem = {{"model", model.path},
                            {"name", model.name},
                            {"log_name", result.logName},
                            {"maximise", model.maximise},
                            {"objective_constant", model.objOffset}};
  ReplaceFile(txn.Staged(BINFILE), result.bin);
  ReplaceFile(txn.Staged(STKFILE), result.stk);
  ReplaceFile(txn.Staged("problem.json"), problem.dump(2) + "\n");
  modelfile::WriteMpsFile(result.reduced, false, txn.Staged("reduced.mps"));
}

void WritePresolveDir(const Model& model, const PresolveResult& result, const std::string& dir) {
  ReplaceResult(dir, [&](ResultTransaction& txn) { StagePresolveFiles(model, result, txn); });
}

}  // namespace postsolve
