// The Python module `postsolve`: the library's replay, report and log writer,
// and the kit's optimality measures. A Solution's vectors come out as
// read-only float64 numpy arrays over the Solution's own storage, each
// keeping the Solution alive; nothing is copied.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <sstream>

#include "bridge.h"
#include "kit.h"
#include "model.h"
#include "postsolve/postsolve.h"

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

py::dict MeasureDict(const kit::Measure& m) {
  py::dict d;
  d["label"] = m.label;
  d["value"] = m.value;
  d["tolerance"] = m.tol;
  d["misses"] = m.misses;
  d["worst"] = m.worst;
  d["within"] = m.within();
  return d;
}

// Paths come as str or any os.PathLike.
using Path = std::filesystem::path;

py::dict Check(const Path& dir, const kit::Tolerances& tol) {
  kit::CheckResult res;
  std::vector<std::string> warnings;
  {
    py::gil_scoped_release unlocked;
    const kit::FullSolution sol = kit::Solve(kit::LoadDir(dir.string()));
    warnings = sol.warnings;
    res = kit::Check(sol, tol);
  }
  py::list measures;
  for (const kit::Measure& m : res.measures) measures.append(MeasureDict(m));
  py::dict out;
  out["measures"] = measures;
  out["objective"] = res.objective;
  out["passed"] = res.pass();
  out["warnings"] = warnings;
  return out;
}

// verify: the replayed solution measured against the model file, then the
// log's problem compared with it; the text postsolve-kit verify prints.
py::dict Verify(const Path& model, const Path& dir, const kit::Tolerances& tol) {
  std::ostringstream text;
  int status = kit::kOk;
  {
    py::gil_scoped_release unlocked;
    kit::LoggedProblem logged;
    const kit::FullSolution sol = kit::Solve(kit::LoadDir(dir.string()), &logged);
    const kit::Model m = kit::ReadModel(model.string());
    try {
      status = kit::Verify(sol, logged, m, tol, text);
    } catch (const kit::NameMismatch& e) {
      throw Error(e.what());
    }
  }
  py::dict out;
  out["passed"] = status == kit::kOk;
  out["text"] = text.str();
  return out;
}

}  // namespace

PYBIND11_MODULE(postsolve, m) {
  m.doc() = "Replay a presolve log over a reduced LP solution; write presolve logs.";
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
  m.def("replay_bytes", &ReplayBytes, py::arg("sol"), py::arg("stk"), py::arg("bin"),
        "Replays the three files' contents, given as bytes.");

  kit::Tolerances defaults;
  m.def(
      "check",
      [](const Path& dir, double bound, double rel, double dual, double dualAbs, double comp, double active) {
        return Check(dir, kit::Tolerances{bound, rel, dual, dualAbs, comp, active});
      },
      py::arg("dir"), py::arg("bound_tol") = defaults.bound, py::arg("rel_tol") = defaults.rel,
      py::arg("dual_tol") = defaults.dual, py::arg("dual_abs_tol") = defaults.dualAbs,
      py::arg("comp_tol") = defaults.comp, py::arg("active_tol") = defaults.active,
      "The optimality measures of `postsolve-kit check` on DIR's files: a dict of "
      "measures (label, value, tolerance, misses, worst, within), objective, passed, warnings.");

  m.def(
      "verify",
      [](const Path& model, const Path& dir, double bound, double rel, double dual, double dualAbs, double comp,
         double active) { return Verify(model, dir, kit::Tolerances{bound, rel, dual, dualAbs, comp, active}); },
      py::arg("model"), py::arg("dir"), py::arg("bound_tol") = defaults.bound, py::arg("rel_tol") = defaults.rel,
      py::arg("dual_tol") = defaults.dual, py::arg("dual_abs_tol") = defaults.dualAbs,
      py::arg("comp_tol") = defaults.comp, py::arg("active_tol") = defaults.active,
      "`postsolve-kit verify`: DIR's recovered solution measured against MODEL (MPS or LP file), "
      "rows and columns matched by name, and the log's problem compared with it: a dict of "
      "passed and the text the kit prints. Names that do not match raise postsolve.Error.");

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
}
