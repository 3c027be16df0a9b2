// The presolve files staged into a result transaction, for a caller that
// stages more into the same result (run).
#pragma once

#include "postsolve/presolve.h"
#include "resultdir.h"

namespace postsolve {

// Writes dravfile.bin, .stk, problem.json and reduced.mps into the stage.
void StagePresolveFiles(const Model& model, const PresolveResult& result, ResultTransaction& txn);

}  // namespace postsolve
