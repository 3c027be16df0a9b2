// The presolve directory: every file written beside its final name, then all
// renamed into place, so a failure leaves no half-written set.
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "presolve.h"

namespace postsolve::kit {

namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw PostError(path.string() + ": cannot write");
}

}  // namespace

void WritePresolveDir(const Model& model, const PresolveResult& result, const std::string& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw PostError(dir + ": cannot create the directory: " + ec.message());
  // What the log cannot carry: the full name, the sense and the objective constant.
  nlohmann::json problem = {{"model", model.path},
                            {"name", model.name},
                            {"log_name", result.logName},
                            {"maximise", model.maximise},
                            {"objective_constant", model.objOffset}};
  const std::vector<std::pair<std::string, std::string>> files = {
      {BINFILE, result.bin}, {STKFILE, result.stk}, {"problem.json", problem.dump(2) + "\n"}};
  std::vector<std::pair<fs::path, fs::path>> renames;  // temporary, final
  const auto temporary = [&](const std::string& name) {
    const fs::path final = fs::path(dir) / name, temp = fs::path(dir) / ("." + name + ".partial");
    renames.emplace_back(temp, final);
    return temp;
  };
  try {
    for (const auto& [name, bytes] : files) WriteBytes(temporary(name), bytes);
    WriteMps(result.reduced, temporary("reduced.mps").string());
    for (const auto& [temp, final] : renames) {
      fs::rename(temp, final, ec);
      if (ec) throw PostError(final.string() + ": cannot rename into place: " + ec.message());
    }
  } catch (...) {
    for (const auto& [temp, final] : renames) fs::remove(temp, ec);
    throw;
  }
}

}  // namespace postsolve::kit
