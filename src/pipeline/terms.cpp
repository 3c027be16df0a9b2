// problem.json read back: the model's sense and objective constant.

#include "postsolve/terms.h"

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "failure.h"

namespace postsolve {

ModelTerms ReadModelTerms(const std::string& dir) {
  ModelTerms terms;
  const std::string path = (dir.empty() ? std::string(".") : dir) + "/problem.json";
  if (!std::filesystem::exists(path)) return terms;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PostError(path + ": cannot open");
  try {
    const nlohmann::json doc = nlohmann::json::parse(in);
    terms.maximise = doc.at("maximise").get<bool>();
    terms.constant = doc.at("objective_constant").get<double>();
  } catch (const nlohmann::json::exception& e) {
    throw PostError(path + ": " + e.what());
  }
  terms.stated = true;
  return terms;
}

}  // namespace postsolve
