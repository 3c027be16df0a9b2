// postsolve-kit: dump, pack, check and export the postsolver's input files;
// solve a reduced model or import a solver's answer into the solution file;
// verify a recovered solution against the model file.
// Exit statuses: 0 done (check, verify: every measure within tolerance), 1 an
// input could not be read or an output written (one line on standard error),
// 2 bad arguments, 3 check, verify: a measure outside its tolerance, or the
// log disagreeing with the model.
#include <filesystem>
#include <fstream>
#include <optional>
#include <iostream>
#include <map>
#include <new>
#include <sstream>

#include <CLI/CLI.hpp>

#include "kit.h"
#include "outfile.h"
#include "phases.h"
#include "resultdir.h"
#include "postsolve/basis.h"
#include "postsolve/check.h"
#include "postsolve/model.h"
#include "postsolve/postsolve.h"
#include "postsolve/presolve.h"
#include "postsolve/run.h"
#include "postsolve/solve.h"
#include "postsolve/terms.h"

using namespace postsolve;

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

void PrintWarnings(const std::vector<std::string>& warnings) {
  for (const std::string& w : warnings) std::cerr << "postsolve-kit: warning: " << w << '\n';
}

void AddTolerances(CLI::App* command, Tolerances& tol) {
  command->add_option("--primal-tol", tol.primal, "primal feasibility: a bound's violation over max(1, |bound|)")
      ->capture_default_str();
  command->add_option("--dual-tol", tol.dual, "dual feasibility: a wrong-signed dual over max(1, |cost|)")
      ->capture_default_str();
  command->add_option("--comp-tol", tol.comp, "complementarity: scaled distance from a bound times scaled dual")
      ->capture_default_str();
  command->add_option("--active-tol", tol.active, "a value within this times max(1, |bound|) sits at its bound")
      ->capture_default_str();
}

// DIR/reduced.mps when it is there: the names and order an imported answer is matched against.
std::optional<Model> ReducedModel(const std::string& dir) {
  const std::string path = dir + "/reduced.mps";
  if (!std::filesystem::exists(path)) return std::nullopt;
  return ReadModel(path);
}

// --model-format for the commands that read a model file.
const std::map<std::string, ModelFormat> kModelFormats = {
    {"auto", ModelFormat::Auto}, {"mps", ModelFormat::Mps}, {"free", ModelFormat::FreeMps},
    {"fixed", ModelFormat::FixedMps}, {"lp", ModelFormat::Lp}};

void AddModelFormat(CLI::App* command, std::string& format, const std::string& flag, const std::string& what) {
  command->add_option(flag, format, what)
      ->check(CLI::IsMember({"auto", "mps", "free", "fixed", "lp"}))
      ->capture_default_str();
}

void AddPresolveOptions(CLI::App& cmd, PresolveOptions& options, std::string& only, std::string& skip) {
  const auto kinds = [](const std::string& list) {
    try {
      ParseKinds(list);
      return std::string();
    } catch (const PostError& e) {
      return std::string(e.what());
    }
  };
  cmd.add_option("--only", only, "apply only these kinds (comma-separated; none for no reduction)")->check(kinds);
  cmd.add_option("--skip", skip, "apply every kind but these (comma-separated)")->check(kinds);
  cmd.add_option("--feas-tol", options.feasTol,
                 "a bound b is met within feas-tol * (1 + |b|): infeasibility, forcing rows, implied bounds")
      ->capture_default_str()->check(CLI::NonNegativeNumber);
  cmd.add_option("--pivot-tol", options.pivotTol, "smallest coefficient divided by")
      ->capture_default_str()->check(CLI::NonNegativeNumber);
  cmd.add_option("--pass-limit", options.passLimit, "most passes over the changed rows and columns")
      ->capture_default_str()->check(CLI::Range(0, 1000000));
}

}  // namespace

int main(int argc, char** argv) {
  ReserveStandardDescriptors();
  CleanUpTemporariesOnSignals();
  std::ios::sync_with_stdio(false);
  CLI::App app{"Tools for the postsolver's input files: dump them as a readable case, pack a\n"
               "case into them, check the recovered solution, export it."};
  app.set_version_flag("--version", std::string("postsolve-kit ") + Version());
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

  Tolerances tol;
  auto* check = app.add_subcommand(
      "check", "Replay DIR's files and measure the full solution's optimality; exit 3 when a\n"
               "measure is outside its tolerance.");
  check->add_option("DIR", dir, "directory holding the three files")->capture_default_str();
  AddTolerances(check, tol);

  std::string modelPath;
  auto* verify = app.add_subcommand(
      "verify", "Replay DIR's files and measure the full solution against MODEL (MPS or LP file),\n"
                "rows and columns matched by name; then compare the log's problem with MODEL.\n"
                "Exit 3 when a measure is outside its tolerance, the log differs from MODEL or\n"
                "their names do not match.");
  verify->add_option("MODEL", modelPath, "the original model: .mps, .mps.gz or .lp")->required();
  verify->add_option("DIR", dir, "directory holding the three files")->capture_default_str();
  AddTolerances(verify, tol);
  std::string modelFormatName = "auto";
  const std::string formatHelp =
      "the model file's format: auto (.lp or .lp.gz: LP, else MPS), mps (fixed or free, told\n"
      "from the file), free, fixed or lp";
  AddModelFormat(verify, modelFormatName, "--model-format", formatHelp);

  int logLevel = 0;
  auto* solve = app.add_subcommand(
      "solve", "Solve DIR/reduced.mps with Clp (dual simplex) and write DIR/dravfile.sol in the\n"
               "log's conventions.");
  solve->add_option("DIR", dir, "directory holding reduced.mps")->capture_default_str();
  solve->add_option("--log-level", logLevel, "Clp's log on standard error: 0 quiet, up to 4")
      ->capture_default_str()->check(CLI::Range(0, 4));
  std::string basisPath;
  solve->add_option("--basis", basisPath, "start Clp (primal simplex) from this MPS basis file");

  auto* basis = app.add_subcommand(
      "basis", "Replay DIR's files and write the basis the full solution shows, on MODEL's rows and\n"
               "columns, as an MPS basis file (default DIR/basis.bas).");
  basis->add_option("MODEL", modelPath, "the original model: .mps, .mps.gz or .lp")->required();
  basis->add_option("DIR", dir, "directory holding the three files")->capture_default_str();
  basis->add_option("-o,--output", basisPath, "the basis file (default DIR/basis.bas)");
  basis->add_option("--active-tol", tol.active, "a value within this times max(1, |bound|) sits at its bound")
      ->capture_default_str();
  AddModelFormat(basis, modelFormatName, "--model-format", formatHelp);

  auto* polish = app.add_subcommand(
      "polish", "Replay DIR's files, start Clp on MODEL from the full solution's basis and point, run\n"
                "the primal simplex to optimality; write DIR/polished.json and DIR/polished.bas.\n"
                "Exit 3 when the polished point is outside a tolerance.");
  polish->add_option("MODEL", modelPath, "the original model: .mps, .mps.gz or .lp")->required();
  polish->add_option("DIR", dir, "directory holding the three files")->capture_default_str();
  polish->add_option("--log-level", logLevel, "Clp's log on standard error: 0 quiet, up to 4")
      ->capture_default_str()->check(CLI::Range(0, 4));
  AddTolerances(polish, tol);
  AddModelFormat(polish, modelFormatName, "--model-format", formatHelp);

  std::string importFormat, importPath;
  auto* import = app.add_subcommand(
      "import", "Write DIR/dravfile.sol from another solver's answer; names are matched against\n"
                "DIR/reduced.mps when it exists, else taken in order.");
  import->add_option("FORMAT", importFormat, "highs (a HiGHS-style solution file) or csv (kind,name,value,dual)")
      ->required()->check(CLI::IsMember({"highs", "csv"}));
  import->add_option("FILE", importPath, "the solver's answer")->required();
  import->add_option("DIR", dir, "directory to write dravfile.sol into")->capture_default_str();

  std::string format, output;
  auto* exp = app.add_subcommand(
      "export", "Replay DIR's files and write the full solution as CSV, JSON, a HiGHS-style\n"
                "solution file, or two CSV tables (rows, columns) for numpy and pandas.");
  exp->add_option("DIR", dir, "directory holding the three files")->capture_default_str();
  exp->add_option("--format", format, "csv, json, highs or table")
      ->required()->check(CLI::IsMember({"csv", "json", "highs", "table"}));
  exp->add_option("-o,--output", output,
                  "output file (default: standard output); for table, the prefix of FILE.rows.csv and FILE.columns.csv");

  std::string only, skip;
  PresolveOptions presolveOptions;
  auto* presolve = app.add_subcommand(
      "presolve", "Reduce MODEL (MPS or LP) and write into DIR the log (dravfile.bin, .stk), the\n"
                  "reduced LP (reduced.mps) and problem.json; print the reductions by kind.");
  presolve->add_option("MODEL", modelPath, "model file")->required();
  presolve->add_option("DIR", dir, "directory to write into")->capture_default_str();
  AddPresolveOptions(*presolve, presolveOptions, only, skip);
  AddModelFormat(presolve, modelFormatName, "--model-format", formatHelp);

  auto* run = app.add_subcommand(
      "run", "The whole pipeline: presolve MODEL into DIR, solve the reduced LP with Clp, replay\n"
             "the log into the report the postsolve program writes, verify against MODEL.\n"
             "Exit 3 when a verification measure is outside its tolerance.");
  run->add_option("MODEL", modelPath, "model file")->required();
  run->add_option("DIR", dir, "directory to write into")->capture_default_str();
  AddPresolveOptions(*run, presolveOptions, only, skip);
  AddTolerances(run, tol);
  bool noPolish = false;
  run->add_flag("--no-polish", noPolish, "leave a point that misses a tolerance as it is (no polished.json)");
  bool timings = false, progress = false;
  double timeLimit = 0;
  run->add_flag("--timings", timings, "print each phase's wall and CPU time and peak memory on standard error");
  run->add_flag("--progress", progress, "show the phase and Clp's iterations on standard error (the default on a terminal)");
  run->add_option("--time-limit", timeLimit, "seconds Clp may take; a stopped solve fails the run (0: no limit)")
      ->capture_default_str()->check(CLI::NonNegativeNumber);
  presolve->add_flag("--timings", timings, "print each phase's wall and CPU time and peak memory on standard error");
  solve->add_option("--time-limit", timeLimit, "seconds Clp may take; the status then says a limit was reached")
      ->capture_default_str()->check(CLI::NonNegativeNumber);
  AddModelFormat(run, modelFormatName, "--model-format", formatHelp);

  std::string picturePath;
  int pictureSize = 800;
  auto* show = app.add_subcommand(
      "show", "Draw DIR's log as a picture (SVG): the full matrix's pattern, the reduced LP's\n"
              "rows and columns first, each removed one coloured by the reduction that removed\n"
              "it, binned for large models; a legend with the counts and sizes.");
  show->add_option("DIR", dir, "directory holding the log")->capture_default_str();
  show->add_option("-o,--output", picturePath, "the SVG file to write")->required();
  show->add_option("--size", pictureSize, "the most cells across and down")->capture_default_str()->check(
      CLI::Range(16, 4096));

  std::string convertOut;
  std::string outFormatName = "auto";
  auto* convert = app.add_subcommand(
      "convert", "Read MODEL and write it as OUT: LP format for .lp, else MPS (fixed when every\n"
                 "name and number fits its columns, else free); the written file reads back as\n"
                 "the same LP, bit for bit.");
  convert->add_option("MODEL", modelPath, "model file")->required();
  convert->add_option("OUT", convertOut, "file to write")->required();
  AddModelFormat(convert, modelFormatName, "--model-format", formatHelp);
  AddModelFormat(convert, outFormatName, "--to",
                 "OUT's format: auto (by its name), free, fixed (free where a name or number\n"
                 "does not fit), mps (as fixed) or lp");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kit::kOk : kit::kUsage;
  }

  const ModelFormat modelFormat = kModelFormats.at(modelFormatName), outFormat = kModelFormats.at(outFormatName);
  int status = kit::kOk;
  try {
    if (*dump) {
      if (summary) {
        std::ostringstream text;
        kit::Summary(dir, text);
        std::cout << text.str();
      } else {
        kit::Dump(dir, std::cout);
      }
    } else if (*presolve) {
      presolveOptions.Select(only, skip);
      PhaseClock clock;
      clock.Begin("read");
      const Model model = ReadModel(modelPath, modelFormat);
      clock.Begin("presolve");
      PresolveResult result = Presolve(model, presolveOptions);
      std::ostringstream counts;  // said once the directory is written
      PrintPresolveSummary(model, result, counts);
      const std::vector<PhaseTiming> parts = result.passes;
      clock.Begin("log and reduced LP");
      WritePresolveDir(model, std::move(result), dir);
      clock.End();
      std::cout << counts.str();
      if (timings) {
        clock.Print(std::cerr);
        PrintTimings(parts, std::cerr, "presolve part");
      }
    } else if (*run) {
      presolveOptions.Select(only, skip);
      std::ostringstream text;
      try {
        PhaseClock reading;
        reading.Begin("read");
        const Model model = ReadModel(modelPath, modelFormat);
        reading.End();
        for (const std::string& note : model.notes)
          std::cerr << "postsolve-kit: note: " << model.path << ": " << note << '\n';
        RunOptions options;
        options.presolve = presolveOptions;
        options.tol = tol;
        options.out = &text;
        options.polish = !noPolish;
        options.timeLimit = timeLimit;
        options.progress = progress || Progress::StderrIsTerminal();
        const RunResult result = Run(model, dir, options);
        PrintWarnings(result.solution.warnings());
        if (timings) {
          std::vector<PhaseTiming> phases = reading.phases();
          phases.insert(phases.end(), result.timings.begin(), result.timings.end());
          PrintTimings(phases, std::cerr);
          PrintTimings(result.presolve.passes, std::cerr, "presolve part");
        }
        status = result.passed() ? kit::kOk : kit::kOutside;
      } catch (const PostError&) {
        std::cout << text.str();
        throw;
      }
      std::cout << text.str();
    } else if (*show) {
      const kit::ShowSummary drawn = kit::Show(dir, picturePath, pictureSize);
      std::cout << drawn.rows << " rows, " << drawn.cols << " columns, " << drawn.entries << " entries; "
                << drawn.rowsAfter << " rows and " << drawn.colsAfter << " columns after; drawn to " << picturePath
                << "\n";
    } else if (*convert) {
      const Model model = ReadModel(modelPath, modelFormat);
      for (const std::string& note : model.notes)
        std::cerr << "postsolve-kit: note: " << model.path << ": " << note << '\n';
      WriteModel(model, convertOut, outFormat);
      std::cout << model.rows() << " rows, " << model.cols() << " columns and " << model.index.size()
                << " entries written to " << convertOut << "\n";
    } else if (*pack) {
      const std::string text = ReadCase(casePath);
      CaseFiles files;
      try {
        files = ParseCase(text);
      } catch (const PostError& e) {
        throw PostError(casePath + ": " + e.what());
      }
      WriteCaseFiles(files, dir);
    } else if (*check) {
      const CheckResult res = Check(dir, tol);
      PrintWarnings(res.warnings);
      PrintCheck(res, std::cout);
      status = res.pass() ? kit::kOk : kit::kOutside;
    } else if (*verify) {
      try {
        const Model model = ReadModel(modelPath, modelFormat);
        const VerifyResult res = Verify(model, dir, tol);
        PrintWarnings(res.check.warnings);
        for (const std::string& note : model.notes)
          std::cerr << "postsolve-kit: note: " << model.path << ": " << note << '\n';
        for (const std::string& note : res.notes) std::cerr << "postsolve-kit: note: " << note << '\n';
        std::cout << res.text;
        status = res.passed() ? kit::kOk : kit::kOutside;
      } catch (const NameMismatch& e) {
        std::cerr << "postsolve-kit: " << e.what() << '\n';
        return kit::kOutside;
      }
    } else if (*solve) {
      const ClpAnswer answer = Solve(dir, logLevel, basisPath, timeLimit);
      for (const std::string& note : answer.notes) std::cerr << "postsolve-kit: note: " << note << '\n';
      std::cout << "status " << answer.sol.status << " " << StatusText(answer.sol.status) << ", objective "
                << CaseDouble(answer.objective) << ", " << answer.iterations << " iterations, "
                << answer.sol.x.size() << " columns and " << answer.sol.y.size() << " rows written to "
                << dir << "/" << SOLFILE << "\n";
    } else if (*basis) {
      const Model model = ReadModel(modelPath, modelFormat);
      const Solution solution = Replay(dir);
      PrintWarnings(solution.warnings());
      const Basis point = BasisOnModel(model, solution, tol.active);
      const Polished polished = Polish(model, solution, tol);
      for (const std::string& note : polished.notes) std::cerr << "postsolve-kit: note: " << note << '\n';
      const std::string path = basisPath.empty() ? dir + "/basis.bas" : basisPath;
      WriteBasisFile(polished.basis, model.name, model.colNames, model.rowNames, path);
      std::cout << "the point shows " << point.basics() << " basic of " << model.rows() << " rows; Clp from its "
                << "statuses: status " << polished.status << " " << StatusText(polished.status) << ", "
                << polished.iterations << " iterations; the basis it ends at written to " << path << "\n";
    } else if (*polish) {
      const Model model = ReadModel(modelPath, modelFormat);
      for (const std::string& note : model.notes)
        std::cerr << "postsolve-kit: note: " << model.path << ": " << note << '\n';
      // Under DIR's lock, as one change of it: the point replayed is the one polished.
      Polished polished;
      ReplaceResult(dir, [&](ResultTransaction& txn) {
        polished = Polish(model, dir, tol, logLevel);
        WritePolished(model, polished, txn.stage());
      });
      PrintWarnings(polished.before.check.warnings);
      for (const std::string& note : polished.notes) std::cerr << "postsolve-kit: note: " << note << '\n';
      PrintPolished(polished, std::cout);
      std::cout << "polished solution: " << dir << "/polished.json and " << dir << "/polished.bas\n";
      status = polished.passed() ? kit::kOk : kit::kOutside;
    } else if (*import) {
      const std::string text = ReadCase(importPath);
      const std::optional<Model> reduced = ReducedModel(dir);
      const Model* names = reduced ? &*reduced : nullptr;
      const ReducedSolution sol = importFormat == "highs" ? kit::ImportHighs(importPath, text, names)
                                                               : kit::ImportCsv(importPath, text, names);
      WriteSolutionFile(dir, sol);
      std::cout << "status " << sol.status << " " << StatusText(sol.status) << ", " << sol.x.size()
                << " columns and " << sol.y.size() << " rows written to " << dir << "/" << SOLFILE << "\n";
    } else if (*exp && format == "table") {
      const Solution solution = Replay(dir);
      PrintWarnings(solution.warnings());
      std::ostringstream rows, cols;
      kit::ExportTable(solution, ReadModelTerms(dir), rows, cols);
      if (output.empty()) std::cout << rows.str() << "\n" << cols.str();
      else ReplaceFiles({{output + ".rows.csv", rows.str()}, {output + ".columns.csv", cols.str()}});
    } else if (*exp) {
      const ModelTerms terms = ReadModelTerms(dir);
      SolutionWalk walk(dir);
      PrintWarnings(walk.warnings());
      auto write = [&](std::ostream& out) {
        if (format == "csv") kit::ExportCsv(walk, out, terms);
        else if (format == "json") kit::ExportJson(walk, out, terms);
        else kit::ExportHighs(walk, out);
        walk.CheckInputs();
      };
      if (output.empty()) {
        write(std::cout);
      } else {
        // Written as it is made; the file replaces any earlier one only once complete.
        AtomicFile file(output, true);
        AtomicFileBuf buf(file);
        std::ostream out(&buf);
        write(out);
        file.Commit();
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
