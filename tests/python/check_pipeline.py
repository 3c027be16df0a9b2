"""The installed Python module's pipeline against the installed postsolve-kit.

check_pipeline.py KIT WORKDIR MODEL: read_model gives the model's arrays
(compressed columns, infinite bounds as inf); presolve, solve and the
replay step by step give what `KIT run` gives in one go (the same files,
the same log and reduced LP, byte for byte); run gives finnis' optimum, a verified
solution and the report; failures raise postsolve.Error with the kit's message.
"""
import filecmp
import math
import os
import subprocess
import sys

import numpy as np
import postsolve

kit, work, model_path = sys.argv[1], sys.argv[2], sys.argv[3]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


os.makedirs(work, exist_ok=True)
model = postsolve.read_model(model_path)
check((model.rows, model.cols) == (497, 614) and len(model.row_names) == 497, "finnis' sizes")
start, index, value = model.start, model.index, model.value
check(start.dtype == np.int32 and start[0] == 0 and start[-1] == len(index) == len(value), "compressed columns")
check(len(model.col_lower) == model.cols and np.all(model.col_lower <= model.col_upper), "column bounds")
check(np.isinf(model.row_lower).any() or np.isinf(model.row_upper).any(), "a missing side is infinite")
check(not model.maximise and model.path == model_path, "sense and path")

# The kit's run, then the same stages one at a time from Python.
kit_dir, py_dir = os.path.join(work, "kit"), os.path.join(work, "steps")
subprocess.run([kit, "run", model_path, kit_dir], check=True, capture_output=True)
presolved = postsolve.presolve(model, py_dir)
check(presolved["counts"]["NULCOL"] >= 0 and presolved["entries_after"] < presolved["entries_before"],
      "presolve's counts and sizes")
check(presolved["reduced"].rows == 497 - 35 and presolved["reduced"].cols == 614 - 98, "the reduced model")
solved = postsolve.solve(py_dir)
check(solved["status"] == 0 and solved["status_word"] == "optimal", "the reduced LP solved")
solution = postsolve.replay(py_dir)
report = solution.write_report(py_dir)
# The log and the reduced LP are the same bytes; the solution may differ in
# its last bits, since run hands Clp the reduced LP in memory, unrounded by
# a trip through reduced.mps.
for name in ("dravfile.bin", "dravfile.stk", "reduced.mps", "problem.json"):
    check(filecmp.cmp(os.path.join(kit_dir, name), os.path.join(py_dir, name), shallow=False),
          name + " differs from the kit's run")
check(os.path.basename(report) == "FINNIS.rpt", "the report's name")
verified = postsolve.verify(model_path, py_dir)
check(verified["passed"] and "the log's problem is the model's" in verified["text"], "verify after the steps")

# run in one call, from a path or from a Model.
for given in (model_path, model):
    result = postsolve.run(given, os.path.join(work, "run"))
    check(math.isclose(result.objective, 172791.0655956, rel_tol=1e-9), f"run's objective {result.objective}")
    check(result.passed and result.verify["passed"], "run's verification")
    s = result.solution
    check(isinstance(s, postsolve.Solution) and s.name == "FINNIS" and len(s.x) == 614, "run's solution")
    check(math.isclose(s.objective, result.objective, rel_tol=1e-12), "the solution's objective")
    check(filecmp.cmp(result.report, os.path.join(kit_dir, "FINNIS.rpt"), shallow=False), "run's report")
    check(result.text.startswith("presolve FINNIS") and "verified" in repr(result), "run's text")

# Written as MPS and as LP, read back: the same LP. MPS keeps each column's
# entries in their order; LP gives them by row (and cannot carry finnis' names
# that start with a digit, so afiro goes that way).
def entries(m):
    start, index, value = m.start, m.index, m.value
    return sorted((j, int(index[k]), float(value[k])) for j in range(m.cols) for k in range(start[j], start[j + 1]))


def same(a, b, in_order):
    arrays = ("row_lower", "row_upper", "col_lower", "col_upper", "cost") + (("start", "index", "value") if in_order else ())
    return (all(np.array_equal(getattr(a, name), getattr(b, name)) for name in arrays)
            and a.row_names == b.row_names and a.col_names == b.col_names and entries(a) == entries(b))


afiro = postsolve.read_model(os.path.join(os.path.dirname(model_path), "afiro.mps"))
for given, name, fmt in ((model, "back.mps", "fixed"), (model, "back.free.mps", "free"), (afiro, "back.lp", "auto")):
    path = os.path.join(work, name)
    given.write(path, fmt)
    back = postsolve.read_model(path, "lp" if name.endswith(".lp") else "mps")
    check(same(given, back, not name.endswith(".lp")), name + " reads back")

timed = postsolve.run(model_path, os.path.join(work, "timed"), polish=False)
check([p["name"] for p in timed.timings][:3] == ["presolve", "log and reduced LP", "solve"]
      and all(p["wall"] >= 0 and p["peak_kib"] > 0 for p in timed.timings), "run's timings")
# A transportation LP of many iterations, so that Clp looks at its clock
# (finnis can be solved before Clp first looks).
side, seed = 150, 12345
lines = ["NAME TRANSP FREE", "ROWS", " N cost"]
lines += [f" L s{i}" for i in range(side)] + [f" G d{i}" for i in range(side)] + ["COLUMNS"]
for i in range(side):
    for j in range(side):
        seed = (seed * 1103515245 + 12345) % 2**32
        lines += [f" x{i}_{j} cost {1 + (seed >> 16) % 1000} s{i} 1", f" x{i}_{j} d{j} 1"]
lines += ["RHS"] + [f" rhs s{i} 10" for i in range(side)] + [f" rhs d{i} 9" for i in range(side)] + ["ENDATA"]
transport = os.path.join(work, "transport.mps")
with open(transport, "w") as f:
    f.write("\n".join(lines) + "\n")
try:
    postsolve.run(transport, os.path.join(work, "timed"), time_limit=1e-9)
    check(False, "a run with no time solved")
except postsolve.Error as e:
    check("time limit" in str(e) and "keeps its earlier result" in str(e), f"time limit: {e}")

only = postsolve.run(model_path, os.path.join(work, "only"), only="NULCOL,FIXCOL", comp_tol=1e-6)
check(set(k for k, n in only.presolve["counts"].items() if n) <= {"NULCOL", "FIXCOL"}, "only")

# Failures: each one postsolve.Error with the kit's message.
for call, words in ((lambda: postsolve.read_model(os.path.join(work, "missing.mps")), "missing.mps"),
                    (lambda: postsolve.presolve(model, py_dir, only="NOSUCH"), "unknown reduction kind"),
                    (lambda: postsolve.read_model(model_path, "xml"), "expected auto, mps"),
                    (lambda: postsolve.solve(os.path.join(work, "nowhere")), "reduced.mps")):
    try:
        call()
        check(False, words + ": no error")
    except postsolve.Error as e:
        check(words in str(e), f"{words}: message {e}")

if failures:
    print("check_pipeline.py:", *failures, sep="\n  ", file=sys.stderr)
    sys.exit(1)
print("python pipeline: read_model, presolve, solve, replay, verify and run all good")
