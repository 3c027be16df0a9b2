// postsolve-kit: dump, pack, check and export the postsolver's input files.
// Exit statuses: 0 done (check: every measure within tolerance), 1 an input
// could not be read or an output written (one line on standard error),
// 2 bad arguments, 3 check: a measure outside its tolerance.
#include <fstream>
#include <iostream>
#include <new>
#include <sstream>

#include <CLI/CLI.hpp>

#include "kit.h"
#include "presolve/presolve.h"
#include "postdata.h"

namespace {

std::string ReadCase(const std::string& path) {
  std::stringstream text;
  if (path == "-") {
    text << std::cin.rdbuf();
  } else {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw PostError(path + ": cannot open");
    text << in.rdbuf();
  }
  return text.str();
}

void Warnings(const kit::FullSolution& sol) {
  for (const std::string& w : sol.warnings) std::cerr << "postsolve-kit: warning: " << w << '\n';
}

void AddPresolveOptions(CLI::App& cmd, kit::PresolveOptions& options, std::string& only, std::string& skip) {
  cmd.add_option("--only", only, "apply only these kinds (comma-separated; none for no reduction)");
  cmd.add_option("--skip", skip, "apply every kind but these (comma-separated)");
  cmd.add_option("--feas-tol", options.feasTol,
                 "a bound b is met within feas-tol * (1 + |b|): infeasibility, forcing rows, implied bounds")
      ->capture_default_str();
  cmd.add_option("--pivot-tol", options.pivotTol, "smallest coefficient divided by")->capture_default_str();
  cmd.add_option("--pass-limit", options.passLimit, "most passes over the changed rows and columns")
      ->capture_default_str();
}

kit::PresolveOptions SelectKinds(kit::PresolveOptions options, const std::string& only, const std::string& skip) {
  if (!only.empty()) {
    options.enabled.fill(false);
    for (RecCode k : kit::ParseKinds(only)) options.enabled[k] = true;
  }
  if (!skip.empty())
    for (RecCode k : kit::ParseKinds(skip)) options.enabled[k] = false;
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  CLI::App app{"Tools for the postsolver's input files: dump them as a readable case, pack a\n"
               "case into them, check the recovered solution, export it."};
  app.require_subcommand(1, 1);
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    return "postsolve-kit: " + std::string(e.what()) + " (see --help)\n";
  });

  std::string dir = ".";
  bool summary = false;
  auto* dump = app.add_subcommand(
      "dump", "Print dravfile.sol, .stk and .bin of DIR as case text, one record per block;\n"
              "at a malformed spot, stop after what reads well and say where (exit 1).");
  dump->add_option("DIR", dir, "directory holding the three files")->capture_default_str();
  dump->add_flag("--summary", summary, "one line per record kind (count, bytes) and the sizes");

  std::string casePath;
  auto* pack = app.add_subcommand("pack", "Write dravfile.sol, .stk and .bin into DIR from a case (- reads stdin).");
  pack->add_option("CASE", casePath, "case text file")->required();
  pack->add_option("DIR", dir, "directory to write into")->capture_default_str();

  kit::Tolerances tol;
  auto* check = app.add_subcommand(
      "check", "Replay DIR's files and measure the full solution's optimality; exit 3 when a\n"
               "measure is outside its tolerance.");
  check->add_option("DIR", dir, "directory holding the three files")->capture_default_str();
  check->add_option("--bound-tol", tol.bound, "absolute bound violation")->capture_default_str();
  check->add_option("--rel-tol", tol.rel, "relative bound violation")->capture_default_str();
  check->add_option("--dual-tol", tol.dual, "dual sign violation (rows; columns scaled)")->capture_default_str();
  check->add_option("--dual-abs-tol", tol.dualAbs, "columns' dual sign violation, unscaled")
      ->capture_default_str();
  check->add_option("--comp-tol", tol.comp, "complementary slackness")->capture_default_str();
  check->add_option("--active-tol", tol.active,
                    "relative distance within which a value sits at its bound")->capture_default_str();

  std::string format, output;
  auto* exp = app.add_subcommand("export", "Replay DIR's files and write the full solution as CSV or JSON.");
  exp->add_option("DIR", dir, "directory holding the three files")->capture_default_str();
  exp->add_option("--format", format, "csv or json")->required()->check(CLI::IsMember({"csv", "json"}));
  exp->add_option("-o,--output", output, "output file (default: standard output)");

  std::string modelPath, only, skip;
  kit::PresolveOptions presolveOptions;
  auto* presolve = app.add_subcommand(
      "presolve", "Reduce MODEL (MPS or LP) and write into DIR the log (dravfile.bin, .stk), the\n"
                  "reduced LP (reduced.mps) and problem.json; print the reductions by kind.");
  presolve->add_option("MODEL", modelPath, "model file")->required();
  presolve->add_option("DIR", dir, "directory to write into")->capture_default_str();
  AddPresolveOptions(*presolve, presolveOptions, only, skip);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kit::kOk : kit::kUsage;
  }

  int status = kit::kOk;
  try {
    if (*dump) {
      const CaseFiles files = kit::LoadDir(dir);
      if (summary) {
        std::ostringstream text;
        kit::Summary(files, text);
        std::cout << text.str();
      } else {
        kit::Dump(files, std::cout);
      }
    } else if (*presolve) {
      const kit::Model model = kit::ReadModel(modelPath);
      const kit::PresolveResult result = kit::Presolve(model, SelectKinds(presolveOptions, only, skip));
      kit::WritePresolveDir(model, result, dir);
      kit::PrintPresolveSummary(model, result, std::cout);
    } else if (*pack) {
      const std::string text = ReadCase(casePath);
      try {
        WriteCaseFiles(ParseCase(text), dir);
      } catch (const PostError& e) {
        throw PostError(casePath + ": " + e.what());
      }
    } else if (*check) {
      const kit::FullSolution sol = kit::Solve(kit::LoadDir(dir));
      Warnings(sol);
      const kit::CheckResult res = kit::Check(sol, tol);
      kit::PrintCheck(res, std::cout);
      status = res.pass() ? kit::kOk : kit::kOutside;
    } else if (*exp) {
      const kit::FullSolution sol = kit::Solve(kit::LoadDir(dir));
      Warnings(sol);
      std::ostringstream text;
      if (format == "csv") kit::ExportCsv(sol, text);
      else kit::ExportJson(sol, text);
      if (output.empty()) {
        std::cout << text.str();
      } else {
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out << text.str();
        out.close();
        if (!out) throw PostError(output + ": cannot write");
      }
    }
    std::cout.flush();
    if (!std::cout) throw PostError("standard output: write error");
  } catch (const PostError& e) {
    std::cout.flush();
    std::cerr << "postsolve-kit: " << e.what() << '\n';
    return kit::kFailed;
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "postsolve-kit: out of memory\n";
    return kit::kFailed;
  }
  return status;
}
