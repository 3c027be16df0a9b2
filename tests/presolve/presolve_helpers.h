// What the presolver's tests share: the sample LPs, options for single kinds,
// the chain presolve - Clp on the reduced LP - replay, and reading a log's
// records back as text.
#pragma once

#include <string>
#include <vector>

#include "harness.h"
#include "measures.h"
#include "postsolve/model.h"
#include "postsolve/presolve.h"

namespace presolve_test {

extern const std::string kSamples;
extern const std::string kGlpk;
// The LPs among the installed samples (the rest are infeasible, unbounded,
// or not LPs at all).
extern const std::vector<std::string> kModels;

PresolveOptions NoReduction();
PresolveOptions Only(Reduction kind);

// The model's objective as Clp finds it on the whole model.
double DirectObjective(const Model& model);

struct Chain {
  PresolveResult presolved;
  int status = -1;  // Clp's, on the reduced LP
  CheckResult check;
  double objective = 0;  // of the recovered solution, in the model's sense, with its constant
};

// presolve, Clp on the reduced LP, the replay, the optimality measures.
Chain RunChain(const Model& model, const PresolveOptions& options = {});
std::string Measures(const CheckResult& check);
void ExpectOptimal(const Model& model, const Chain& chain, const std::string& what);
// The LP text with only `kind` on: `count` records of it, and the chain optimal.
void ExpectKindKeepsOptimum(Reduction kind, long count, const std::string& lp);

std::string Numbered(const char* stem, int number);

// A model written in LP format for the purpose.
Model LpModel(const TempDir& dir, const std::string& text);
Model LpModel(const std::string& text);

// The records of `kind` in the log, each as the dump writes it: the code and
// payload, then the lines of its lists.
std::vector<std::string> Records(const PresolveResult& result, Reduction kind);

}  // namespace presolve_test
