// Infeasible and unbounded models: the error names the row or column that
// shows it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "presolve_helpers.h"

using namespace presolve_test;

TEST(PresolveFailures, NameTheRowOrColumnThatShowsIt) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Minimize\n obj: x\nSubject To\n r: 0 x >= 1\nEnd\n", "row r"},
      {"Minimize\n obj: x\nSubject To\n e: x + 2 y = 4\n s: 2 x + 4 y >= 9\nEnd\n", "row s"},
      {"Minimize\n obj: x\nSubject To\n r: x + y >= 1\nBounds\n 2 <= y <= 1\nEnd\n", "column y"},
      {"Minimize\n obj: x - y\nSubject To\n r: x = 1\nBounds\n y >= 0\nEnd\n", "unbounded: column y"},
      {"Minimize\n obj: x\nSubject To\n r: x + y <= 1\n s: x - y >= 5\nBounds\n x <= 1\n y <= 1\nEnd\n", "row s"}};
  std::vector<std::pair<Model, std::string>> models;
  for (const auto& [text, name] : cases) models.emplace_back(LpModel(dir, text), name);
  models.emplace_back(LpModel(dir, "Minimize\n obj: x\nSubject To\n r: x + y >= 1\nEnd\n"), "column y");
  models.back().first.value.back() = NAN;  // what no reader should let through
  for (const auto& [model, name] : models) {
    try {
      Presolve(model, {});
      ADD_FAILURE() << name;
    } catch (const PostError& e) {
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
}
