// Models no stage can take, refused by presolve, the Clp bridge and run alike
// before anything is solved or written: one line naming the model, the row
// or column and the reason.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "postsolve/run.h"
#include "postsolve/solve.h"
#include "presolve_helpers.h"

using namespace presolve_test;

namespace {

// min x + y, r: x + y >= 1, s: x - y <= 2, x, y >= 0
Model Small() {
  Model model;
  model.path = "small.mps";
  model.name = "small";
  model.rowNames = {"r", "s"};
  model.rlo = {1, -INFINITY};
  model.rup = {INFINITY, 2};
  model.colNames = {"x", "y"};
  model.clo = {0, 0};
  model.cup = {INFINITY, INFINITY};
  model.cost = {1, 1};
  model.start = {0, 2, 4};
  model.index = {0, 1, 0, 1};
  model.value = {1, 1, 1, -1};
  return model;
}

// Every stage refuses `model` with a line holding each of `parts`, and run
// leaves its directory empty.
void ExpectRefused(const Model& model, const std::vector<std::string>& parts) {
  const TempDir dir;
  const std::vector<std::pair<const char*, std::function<void()>>> stages = {
      {"Presolve", [&] { Presolve(model); }},
      {"SolveWithClp", [&] { SolveWithClp(model); }},
      {"Run", [&] { postsolve::Run(model, dir.path()); }}};
  for (const auto& [stage, call] : stages) {
    try {
      call();
      ADD_FAILURE() << stage << ": no error";
    } catch (const PostError& e) {
      for (const std::string& part : parts)
        EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << stage << ": " << e.what();
    }
  }
  EXPECT_TRUE(dir.List().empty());
}

}  // namespace

TEST(ModelRefusals, NamesGivenTwice) {
  Model rows = Small();
  rows.rowNames[1] = "r";
  ExpectRefused(rows, {"small.mps: row r (index 1): the name is given twice"});
  Model cols = Small();
  cols.colNames[0] = "y";
  ExpectRefused(cols, {"small.mps: column y (index 1): the name is given twice"});
}

TEST(ModelRefusals, NumbersClpCannotTake) {
  Model cost = Small();
  cost.cost[1] = 1.35e41;  // Clp stops on an assertion from 1e25
  ExpectRefused(cost, {"small.mps: column y (index 1): its cost 1.35e+41"});
  cost.cost[1] = -1e25;
  ExpectRefused(cost, {"column y"});
  Model coefficient = Small();
  coefficient.value[3] = 1e20;
  ExpectRefused(coefficient, {"small.mps: column y (index 1), row s (index 1): its coefficient 1e+20"});
  Model bound = Small();
  bound.cup[0] = 9.99e29;  // finite in the log's terms, but Clp takes such a bound for none
  ExpectRefused(bound, {"small.mps: column x (index 0): its bound 9.99e+29"});
  Model missing = Small();
  missing.value[0] = NAN;
  ExpectRefused(missing, {"column x"});
}

// A row whose range was made from an infinite side once came out with both
// bounds +inf: no value meets it.
TEST(ModelRefusals, ARowWhoseBoundsLeaveNoValue) {
  Model model = Small();
  model.rlo[1] = model.rup[1] = INFINITY;
  ExpectRefused(model, {"small.mps: row s (index 1): its lower bound"});
  model.rlo[1] = model.rup[1] = -1e30;  // 1e30 is infinity wherever a model holds it
  ExpectRefused(model, {"small.mps: row s (index 1): its upper bound"});
}

TEST(ModelRefusals, OneE30IsNoBound) {
  Model model = Small();
  model.rup[0] = 1e30;
  model.rlo[1] = -1e30;
  model.cup = {1e30, 5};
  const ClpAnswer direct = SolveWithClp(model);
  EXPECT_EQ(direct.sol.status, AsInt(Status::Optimal));
  EXPECT_EQ(direct.objective, 1);
  const Chain chain = RunChain(model);
  ExpectOptimal(model, chain, "bounds of 1e30");
}
