// The compiled module `postsolve._core`, which the package `postsolve`
// (python/postsolve) re-exports: the library's pipeline through its public
// headers only: model files, presolve, Clp, the replay and its report, check,
// verify, run, and the log writer. A Solution's vectors come out as read-only
// float64 numpy arrays over the Solution's own storage, each keeping the
// Solution alive; nothing is copied. A Model's arrays are copies.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <optional>
#include <sstream>

#include "postsolve/basis.h"
#include "postsolve/check.h"
#include "postsolve/model.h"
#include "postsolve/postsolve.h"
#include "postsolve/presolve.h"
#include "postsolve/run.h"
#include "postsolve/solve.h"
#include "postsolve/terms.h"

namespace py = pybind11;
using namespace postsolve;

namespace {

// A read-only numpy view of `values`, owned by the Python object `owner`.
py::array View(Values values, py::handle owner) {
  py::array out(py::dtype::of<double>(), {values.size()}, {sizeof(double)}, values.data(), owner);
  py::detail::array_proxy(out.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return out;
}

// A property giving a view of one of the Solution's vectors.
template <Values (Solution::*member)() const>
py::array ViewOf(py::object self) {
  return View((self.cast<const Solution&>().*member)(), self);
}

Solution ReplayBytes(py::bytes sol, py::bytes stk, py::bytes bin) {
  // Views of the bytes objects, which the caller's references keep alive.
  const std::string_view s = sol, t = stk, b = bin;
  py::gil_scoped_release unlocked;
  return Replay(s, t, b);
}

py::dict MeasureDict(const Measure& m) {
  py::dict d;
  d["label"] = m.label;
  d["value"] = m.value;
  d["tolerance"] = m.tol;
  d["misses"] = m.misses;
  d["unscaled"] = m.unscaled;
  d["worst"] = m.worst;
  d["within"] = m.within();
  return d;
}

py::list MeasureList(const CheckResult& res) {
  py::list measures;
  for (const Measure& m : res.measures) measures.append(MeasureDict(m));
  return measures;
}

// Paths come as str or any os.PathLike.
using Path = std::filesystem::path;

py::dict CheckDict(const CheckResult& res) {
  py::dict out;
  out["measures"] = MeasureList(res);
  out["objective"] = res.objective;
  out["passed"] = res.pass();
  out["warnings"] = res.warnings;
  return out;
}

py::dict VerifyDict(const VerifyResult& res) {
  py::dict out;
  out["passed"] = res.passed();
  out["text"] = res.text;
  out["objective"] = res.objective;
  out["measures"] = MeasureList(res.check);
  out["difference"] = res.difference;
  out["warnings"] = res.check.warnings;
  return out;
}

// A copy of `values` as a new numpy array.
template <class T>
py::array_t<T> Array(const std::vector<T>& values) {
  return py::array_t<T>(static_cast<py::ssize_t>(values.size()), values.data());
}

// Statuses as a uint8 numpy array: the values of BasisStatus (BASIS_STATUSES names them).
py::array_t<std::uint8_t> StatusArray(const std::vector<BasisStatus>& statuses) {
  std::vector<std::uint8_t> codes;
  for (BasisStatus s : statuses) codes.push_back(static_cast<std::uint8_t>(s));
  return Array(codes);
}

// A model-file format by the name Python callers give it.
ModelFormat FormatNamed(const std::string& name) {
  if (name == "auto") return ModelFormat::Auto;
  if (name == "mps") return ModelFormat::Mps;
  if (name == "free") return ModelFormat::FreeMps;
  if (name == "fixed") return ModelFormat::FixedMps;
  if (name == "lp") return ModelFormat::Lp;
  throw Error("format \"" + name + "\": expected auto, mps, free, fixed or lp");
}

// A model given as a Model or as the path of a file to read.
Model ModelOf(const py::object& modelOrPath) {
  if (py::isinstance<Model>(modelOrPath)) return modelOrPath.cast<Model>();
  const Path path = modelOrPath.cast<Path>();
  py::gil_scoped_release unlocked;
  return ReadModel(path.string());
}

PresolveOptions Options(const std::string& only, const std::string& skip, double feasTol, double pivotTol,
                        int passLimit) {
  PresolveOptions options;
  options.feasTol = feasTol;
  options.pivotTol = pivotTol;
  options.passLimit = passLimit;
  options.Select(only, skip);
  return options;
}

py::dict PresolveDict(const PresolveResult& result) {
  py::dict counts;
  for (Reduction k : kReductionKinds) counts[py::str(ReductionName(k))] = result.count(k);
  py::dict out;
  out["counts"] = counts;
  out["log_name"] = result.logName;
  out["entries_before"] = result.entriesBefore;
  out["entries_after"] = result.entriesAfter;
  out["reduced"] = result.reduced;
  return out;
}

py::dict SolveDict(const ClpAnswer& answer) {
  py::dict out;
  out["status"] = answer.sol.status;
  out["status_word"] = StatusWord(answer.sol.status);
  out["objective"] = answer.objective;
  out["iterations"] = answer.iterations;
  out["notes"] = answer.notes;
  return out;
}

// What run gives back: the whole solution, the verdict and each stage's figures.
struct RunOutcome {
  double objective = 0;
  bool passed = false;
  py::object solution;
  py::dict verify, presolve, solve;
  std::string report, text, solvedAgain;
  std::vector<std::string> notes, warnings;
  py::list timings;  // a dict a phase: name, wall, cpu, peak_kib
};

}  // namespace

PYBIND11_MODULE(_core, m) {
  // Classes, functions and the exception take their module's name when they are
  // made: the name users import them by, postsolve, not postsolve._core.
  const py::object ownName = m.attr("__name__");
  m.attr("__name__") = "postsolve";
  m.doc() = "An LP pipeline: read models, presolve with a log, solve with Clp, replay the log into the "
            "full solution, check and verify it; write presolve logs.";
  m.attr("__version__") = Version();
  py::register_exception<Error>(m, "Error", PyExc_RuntimeError);

  py::class_<Solution>(m, "Solution",
                       "The full problem's solution. Arrays are read-only float64 views of the "
                       "solution's storage; y are row duals, z = c - A'y the dual slacks.")
      .def_property_readonly("name", &Solution::name)
      .def_property_readonly("status", &Solution::status, "status code: -1 unsolved, 0 optimal, 1 infeasible, "
                                                          "2 unbounded, 3 difficulty")
      .def_property_readonly("status_word", &Solution::statusWord)
      .def_property_readonly("objective", &Solution::objective, "c.x summed in column order")
      .def_property_readonly("x", &ViewOf<&Solution::x>)
      .def_property_readonly("y", &ViewOf<&Solution::y>)
      .def_property_readonly("z", &ViewOf<&Solution::z>)
      .def_property_readonly("row_activity", &ViewOf<&Solution::rowActivity>)
      .def_property_readonly("cost", &ViewOf<&Solution::cost>)
      .def_property_readonly("row_lower", &ViewOf<&Solution::rowLower>)
      .def_property_readonly("row_upper", &ViewOf<&Solution::rowUpper>)
      .def_property_readonly("col_lower", &ViewOf<&Solution::colLower>)
      .def_property_readonly("col_upper", &ViewOf<&Solution::colUpper>)
      .def_property_readonly("row_types", &Solution::rowTypes)
      .def_property_readonly("col_types", &Solution::colTypes)
      .def_property_readonly("row_names", &Solution::rowNames)
      .def_property_readonly("col_names", &Solution::colNames)
      .def_property_readonly("warnings", &Solution::warnings)
      .def(
          "write_report", [](const Solution& s, const Path& dir) { return WriteReport(s, dir.string()); },
          py::arg("dir") = ".",
           "Writes the report as the program does, DIR/NAME.rpt; returns its path.")
      .def(
          "basis",
          [](const Solution& s, double active) {
            const Basis b = BasisOf(s, active);
            return py::make_tuple(StatusArray(b.cols), StatusArray(b.rows));
          },
          py::arg("active_tol") = 1e-7,
          "(column statuses, row statuses) the point shows, uint8 arrays indexing BASIS_STATUSES "
          "(0 basic, 1 at lower, 2 at upper, 3 free, 4 fixed), with as many basics as rows where the point "
          "allows it.")
      .def("__repr__", [](const Solution& s) {
        return "<postsolve.Solution '" + s.name() + "' " + s.statusWord() + ", " + std::to_string(s.rows()) +
               " rows, " + std::to_string(s.cols()) + " columns>";
      });

  m.def(
      "replay",
      [](const Path& dir) {
        py::gil_scoped_release unlocked;
        return Replay(dir.string());
      },
      py::arg("dir"), "Replays dravfile.sol, .stk and .bin in DIR.");
  m.attr("BASIS_STATUSES") = py::make_tuple("basic", "at lower", "at upper", "free", "fixed");
  m.def(
      "model_terms",
      [](const Path& dir) {
        const ModelTerms t = ReadModelTerms(dir.string());
        py::dict d;
        d["sense"] = t.SenseWord();
        d["maximise"] = t.maximise;
        d["objective_constant"] = t.constant;
        d["stated"] = t.stated;
        return d;
      },
      py::arg("dir"),
      "DIR/problem.json's sense and objective constant (the log's minimisation when absent): a "
      "Solution's objective in the model's sense is (-objective if maximise else objective) + constant, "
      "and its duals are negated for a maximisation.");
  m.def(
      "polish",
      [](const py::object& model, const Path& dir, double primal, double dual, double comp, double active,
         bool write) {
        const Model lp = ModelOf(model);
        std::optional<Polished> p;
        {
          py::gil_scoped_release unlocked;
          p.emplace(Polish(lp, dir.string(), Tolerances{primal, dual, comp, active}));
          if (write) WritePolished(lp, *p, dir.string());
        }
        py::dict d;
        d["passed"] = p->passed();
        d["objective"] = p->objective;
        d["iterations"] = p->iterations;
        d["status"] = p->status;
        d["x"] = Array(p->x);
        d["y"] = Array(p->y);
        d["z"] = Array(p->z);
        d["col_basis"] = StatusArray(p->basis.cols);
        d["row_basis"] = StatusArray(p->basis.rows);
        d["before"] = VerifyDict(p->before);
        d["after"] = VerifyDict(p->after);
        return d;
      },
      py::arg("model"), py::arg("dir"), py::arg("primal_tol") = Tolerances{}.primal,
      py::arg("dual_tol") = Tolerances{}.dual, py::arg("comp_tol") = Tolerances{}.comp,
      py::arg("active_tol") = Tolerances{}.active, py::arg("write") = true,
      "`postsolve-kit polish`: DIR's postsolved point taken into Clp on MODEL from the basis it shows and run "
      "to optimality. Returns passed, objective (model's sense), iterations, status, x, y, z (the model's "
      "order, minimisation conventions), col_basis, row_basis, before and after (as verify). With write, "
      "DIR/polished.json and DIR/polished.bas are written.");
  m.def("replay_bytes", &ReplayBytes, py::arg("sol"), py::arg("stk"), py::arg("bin"),
        "Replays the three files' contents, given as bytes.");

  const Tolerances defaults;
  m.def(
      "check",
      [](const Path& dir, double primal, double dual, double comp, double active) {
        CheckResult res;
        {
          py::gil_scoped_release unlocked;
          res = Check(dir.string(), Tolerances{primal, dual, comp, active});
        }
        return CheckDict(res);
      },
      py::arg("dir"), py::arg("primal_tol") = defaults.primal,
      py::arg("dual_tol") = defaults.dual,
      py::arg("comp_tol") = defaults.comp, py::arg("active_tol") = defaults.active,
      "The optimality measures of `postsolve-kit check` on DIR's files: a dict of "
      "measures (label, value, tolerance, misses, worst, within), objective, passed, warnings.");

  m.def(
      "verify",
      [](const py::object& model, const Path& dir, double primal, double dual,
         double comp, double active) {
        const Model lp = ModelOf(model);
        VerifyResult res;
        {
          py::gil_scoped_release unlocked;
          res = Verify(lp, dir.string(), Tolerances{primal, dual, comp, active});
        }
        return VerifyDict(res);
      },
      py::arg("model"), py::arg("dir"), py::arg("primal_tol") = defaults.primal,
      py::arg("dual_tol") = defaults.dual,
      py::arg("comp_tol") = defaults.comp, py::arg("active_tol") = defaults.active,
      "`postsolve-kit verify`: DIR's recovered solution measured against MODEL (a Model or the path "
      "of an MPS or LP file), rows and columns matched by name, and the log's problem compared with "
      "it: a dict of passed, objective (the model's own), measures, difference, warnings and the text "
      "the kit prints. Names that do not match raise postsolve.Error.");

  py::class_<Model>(m, "Model",
                    "An LP: minimise (or maximise) cost.x + obj_offset subject to row_lower <= A x <= "
                    "row_upper and col_lower <= x <= col_upper; a missing bound is -inf / +inf. The "
                    "matrix is by columns: column j is [start[j], start[j+1]) of index and value. "
                    "Arrays are copies.")
      .def_readonly("path", &Model::path)
      .def_readonly("name", &Model::name)
      .def_readonly("maximise", &Model::maximise)
      .def_readonly("obj_offset", &Model::objOffset)
      .def_readonly("row_names", &Model::rowNames)
      .def_readonly("col_names", &Model::colNames)
      .def_readonly("notes", &Model::notes)
      .def_property_readonly("rows", &Model::rows)
      .def_property_readonly("cols", &Model::cols)
      .def_property_readonly("row_lower", [](const Model& lp) { return Array(lp.rlo); })
      .def_property_readonly("row_upper", [](const Model& lp) { return Array(lp.rup); })
      .def_property_readonly("col_lower", [](const Model& lp) { return Array(lp.clo); })
      .def_property_readonly("col_upper", [](const Model& lp) { return Array(lp.cup); })
      .def_property_readonly("cost", [](const Model& lp) { return Array(lp.cost); })
      .def_property_readonly("start", [](const Model& lp) { return Array(lp.start); })
      .def_property_readonly("index", [](const Model& lp) { return Array(lp.index); })
      .def_property_readonly("value", [](const Model& lp) { return Array(lp.value); })
      .def(
          "write_mps", [](const Model& lp, const Path& path) { WriteMps(lp, path.string()); }, py::arg("path"),
          "Writes the model as free MPS, atomically.")
      .def(
          "write",
          [](const Model& lp, const Path& path, const std::string& format) {
            WriteModel(lp, path.string(), FormatNamed(format));
          },
          py::arg("path"), py::arg("format") = "auto",
          "Writes the model atomically: format 'auto' (LP for a .lp name, else MPS, fixed when every\n"
          "name and number fits), 'free', 'fixed' or 'lp'. Reading it back gives the same LP.")
      .def("__repr__", [](const Model& lp) {
        return "<postsolve.Model '" + lp.name + "' " + std::to_string(lp.rows()) + " rows, " +
               std::to_string(lp.cols()) + " columns, " + std::to_string(lp.index.size()) + " entries>";
      });

  m.def(
      "read_model",
      [](const Path& path, const std::string& format) {
        const ModelFormat read = FormatNamed(format);
        py::gil_scoped_release unlocked;
        return ReadModel(path.string(), read);
      },
      py::arg("path"), py::arg("format") = "auto",
      "Reads a model file, gzipped or not: format 'auto' (LP for a .lp or .lp.gz name, else MPS),\n"
      "'mps' (fixed or free, told from the file), 'free', 'fixed' or 'lp'.");

  const PresolveOptions presolveDefaults;
  m.def(
      "presolve",
      [](const py::object& model, const Path& dir, const std::string& only, const std::string& skip,
         double feasTol, double pivotTol, int passLimit) {
        const Model lp = ModelOf(model);
        const PresolveOptions options = Options(only, skip, feasTol, pivotTol, passLimit);
        PresolveResult result;
        {
          py::gil_scoped_release unlocked;
          result = Presolve(lp, options);
          WritePresolveDir(lp, result, dir.string());
        }
        return PresolveDict(result);
      },
      py::arg("model"), py::arg("dir"), py::arg("only") = "", py::arg("skip") = "",
      py::arg("feas_tol") = presolveDefaults.feasTol, py::arg("pivot_tol") = presolveDefaults.pivotTol,
      py::arg("pass_limit") = presolveDefaults.passLimit,
      "`postsolve-kit presolve`: reduces MODEL (a Model or a path) and writes the log, reduced.mps and "
      "problem.json into DIR. only and skip name kinds (\"NULROW,FIXCOL\", \"none\", \"all\"). Returns "
      "a dict of counts by kind, log_name, entries_before, entries_after and the reduced Model.");

  m.def(
      "solve",
      [](const Path& dir, int logLevel) {
        ClpAnswer answer;
        {
          py::gil_scoped_release unlocked;
          answer = Solve(dir.string(), logLevel);
        }
        return SolveDict(answer);
      },
      py::arg("dir"), py::arg("log_level") = 0,
      "`postsolve-kit solve`: Clp solves DIR/reduced.mps and DIR/dravfile.sol is written. Returns a "
      "dict of status, status_word, objective (the model's own), iterations and notes.");

  py::class_<RunOutcome>(m, "RunResult", "What run gives back.")
      .def_readonly("objective", &RunOutcome::objective, "the model's own objective, with its sense and constant")
      .def_readonly("passed", &RunOutcome::passed, "verify found every measure within its tolerance and the log's "
                                                   "problem the model's, or else the polished point passes")
      .def_readonly("solution", &RunOutcome::solution, "the full Solution")
      .def_readonly("verify", &RunOutcome::verify, "as postsolve.verify gives it")
      .def_readonly("presolve", &RunOutcome::presolve, "as postsolve.presolve gives it")
      .def_readonly("solve", &RunOutcome::solve, "Clp's answer on the reduced LP, as postsolve.solve gives it")
      .def_readonly("report", &RunOutcome::report, "the report's path")
      .def_readonly("text", &RunOutcome::text, "what postsolve-kit run prints")
      .def_readonly("solved_again", &RunOutcome::solvedAgain,
                    "why the pass with reductions gave no answer that stands, when the model was solved again "
                    "without them (this result is that second pass's); empty otherwise")
      .def_readonly("notes", &RunOutcome::notes, "what the model reader changed, each \"PATH: note\"")
      .def_readonly("warnings", &RunOutcome::warnings, "degenerate data the replay met")
      .def_readonly("timings", &RunOutcome::timings,
                    "each phase's name, wall and cpu seconds and peak memory (peak_kib), in order")
      .def("__repr__", [](const RunOutcome& r) {
        return "<postsolve.RunResult objective " + std::string(py::repr(py::float_(r.objective))) +
               (r.passed ? ", verified>" : ", outside tolerance>");
      });

  m.def(
      "run",
      [](const py::object& model, const Path& dir, const std::string& only, const std::string& skip,
         double feasTol, double pivotTol, int passLimit, double primal, double dual,
         double comp, double active, bool polish, double timeLimit) {
        const Model lp = ModelOf(model);
        if (!(timeLimit >= 0)) throw Error("run: time_limit must be a number of seconds, 0 or more");
        RunOptions options;
        options.presolve = Options(only, skip, feasTol, pivotTol, passLimit);
        options.tol = Tolerances{primal, dual, comp, active};
        options.polish = polish;
        options.timeLimit = timeLimit;
        std::ostringstream text;
        options.out = &text;
        std::optional<RunResult> result;
        {
          py::gil_scoped_release unlocked;
          result.emplace(Run(lp, dir.string(), options));
        }
        RunOutcome out;
        out.objective = result->verify.objective;
        out.passed = result->passed();
        out.verify = VerifyDict(result->verify);
        out.presolve = PresolveDict(result->presolve);
        out.solve = SolveDict(result->solve);
        out.report = result->report;
        out.text = text.str();
        out.solvedAgain = result->solvedAgain;
        for (const std::string& note : lp.notes) out.notes.push_back(lp.path + ": " + note);
        out.warnings = result->solution.warnings();
        out.solution = py::cast(std::move(result->solution));
        for (const PhaseTiming& p : result->timings) {
          py::dict phase;
          phase["name"] = p.name;
          phase["wall"] = p.wall;
          phase["cpu"] = p.cpu;
          phase["peak_kib"] = p.peakKiB;
          out.timings.append(phase);
        }
        return out;
      },
      py::arg("model"), py::arg("dir"), py::arg("only") = "", py::arg("skip") = "",
      py::arg("feas_tol") = presolveDefaults.feasTol, py::arg("pivot_tol") = presolveDefaults.pivotTol,
      py::arg("pass_limit") = presolveDefaults.passLimit, py::arg("primal_tol") = defaults.primal,
      py::arg("dual_tol") = defaults.dual, py::arg("comp_tol") = defaults.comp,
      py::arg("active_tol") = defaults.active, py::arg("polish") = true, py::arg("time_limit") = 0.0,
      "`postsolve-kit run`: presolve MODEL (a Model or a path) into DIR, solve with Clp (for at most "
      "time_limit seconds when it is above 0), replay into the full solution and the report, verify "
      "against MODEL, polish a point that misses a tolerance unless polish is False. Returns a RunResult "
      "(objective, passed, solution, verify, presolve, solve, report, text, notes, warnings, timings). A "
      "stage that fails, or a solve that does not end optimal, raises postsolve.Error.");

  py::class_<ForcedColumn>(m, "ForcedColumn")
      .def(py::init([](char tag, int j, double xval, double a, double cj, Entries column) {
             return ForcedColumn{tag, j, xval, a, cj, std::move(column)};
           }),
           py::arg("tag"), py::arg("j"), py::arg("xval"), py::arg("a"), py::arg("cj"), py::arg("column"));

  py::class_<LogWriter>(m, "LogWriter", "Writes a presolve log record by record; save() writes the three files.")
      .def(py::init<>())
      .def("header", &LogWriter::Header, py::arg("name"), py::arg("rlo"), py::arg("rup"), py::arg("rtype"),
           py::arg("clo"), py::arg("cup"), py::arg("row_names"), py::arg("col_names"))
      .def("matrix", py::overload_cast<const std::vector<double>&, const std::vector<Entries>&>(&LogWriter::Matrix),
           py::arg("c"), py::arg("columns"), "Costs and the columns, each a list of (row, value).")
      .def("matrix_csc",
           py::overload_cast<const std::vector<double>&, const std::vector<int>&, const std::vector<int>&,
                             const std::vector<double>&>(&LogWriter::Matrix),
           py::arg("c"), py::arg("start"), py::arg("index"), py::arg("value"),
           "Costs and the columns compressed: column j is [start[j], start[j+1]) of index and value.")
      .def("col_map", &LogWriter::ColMap)
      .def("row_map", &LogWriter::RowMap)
      .def("dominated_column", &LogWriter::DominatedColumn)
      .def("fixed_column", &LogWriter::FixedColumn)
      .def("duplicate_column", &LogWriter::DuplicateColumn)
      .def("null_column", &LogWriter::NullColumn)
      .def("lower_bound", &LogWriter::LowerBound)
      .def("minus_bound", &LogWriter::MinusBound)
      .def("doubleton_row", &LogWriter::DoubletonRow)
      .def("dominated_row", &LogWriter::DominatedRow)
      .def("duplicate_row", &LogWriter::DuplicateRow)
      .def("forcing_row", &LogWriter::ForcingRow)
      .def("null_row", &LogWriter::NullRow)
      .def("singleton_row", &LogWriter::SingletonRow)
      .def_property_readonly("records", &LogWriter::records)
      .def("record_bytes", [](const LogWriter& w) { return py::bytes(w.recordBytes()); })
      .def("stack_bytes", [](const LogWriter& w) { return py::bytes(w.stackBytes()); })
      .def(
          "save",
          [](const LogWriter& w, const Path& dir, int status, std::vector<double> x, std::vector<double> y,
             std::vector<double> z) { w.Save(dir.string(), ReducedSolution{status, std::move(x), std::move(y), std::move(z)}); },
          py::arg("dir"), py::arg("status"), py::arg("x"), py::arg("y"), py::arg("z"),
          "Writes DIR/dravfile.bin, .stk and .sol (the reduced solution: status, x, y, z).");
  m.attr("__name__") = ownName;
}
