// The presolve directory: every file written beside its final name, then all
// renamed into place, so a failure leaves no half-written set.
#include <nlohmann/json.hpp>

#include "outfile.h"
#include "postsolve/presolve.h"
#include "records.h"

namespace postsolve {

void WritePresolveDir(const Model& model, const PresolveResult& result, const std::string& dir) {
  // What the log cannot carry: the full name, the sense and the objective constant.
  nlohmann::json problem = {{"model", model.path},
                            {"name", model.name},
                            {"log_name", result.logName},
                            {"maximise", model.maximise},
                            {"objective_constant", model.objOffset}};
  const std::string json = problem.dump(2) + "\n", mps = MpsText(result.reduced);
  ReplaceFiles({{dir + "/" + BINFILE, result.bin},
                {dir + "/" + STKFILE, result.stk},
                {dir + "/problem.json", json},
                {dir + "/reduced.mps", mps}});
}

}  // namespace postsolve
