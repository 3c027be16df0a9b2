"""The installed Python module's bases, polish and model terms.

check_basis.py KIT WORKDIR SAMPLES: Solution.basis() gives uint8 status
arrays with as many basics as rows on afiro's postsolved point; polish
gives an optimal point with Clp's objective and writes polished.json and
.bas; model_terms turns a maximisation's objective and duals round, as
`KIT export --format json` does.
"""
import json
import math
import os
import subprocess
import sys

import numpy as np
import postsolve

kit, work, samples = sys.argv[1], sys.argv[2], sys.argv[3]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


os.makedirs(work, exist_ok=True)
afiro = os.path.join(samples, "afiro.mps")
out = os.path.join(work, "afiro")
result = postsolve.run(afiro, out)
check(result.passed and os.path.exists(os.path.join(out, "basis.bas")), "run writes basis.bas")
cols, rows = result.solution.basis()
check(cols.dtype == np.uint8 and len(cols) == 32 and len(rows) == 27, "status arrays")
check(int((cols == 0).sum() + (rows == 0).sum()) == 27, "as many basics as rows")
check(postsolve.BASIS_STATUSES[0] == "basic" and set(np.unique(cols)) <= set(range(5)), "status codes")

polished = postsolve.polish(afiro, out)
check(polished["passed"] and polished["status"] == 0, "polish passes")
check(math.isclose(polished["objective"], result.objective, rel_tol=1e-9), "polish keeps the optimum")
check(len(polished["x"]) == 32 and polished["col_basis"].dtype == np.uint8, "polished arrays")
check(os.path.exists(os.path.join(out, "polished.json")), "polished.json written")

# A maximisation with a constant: the terms turn the log's minimisation round.
maxi = os.path.join(work, "max.mps")
with open(maxi, "w") as f:
    f.write("NAME          MAXI\nOBJSENSE\n    MAX\nROWS\n N  obj\n L  cap\nCOLUMNS\n"
            "    x1        obj       1              cap       1\n"
            "    x2        obj       2              cap       1\n"
            "RHS\n    RHS       obj       -10            cap       4\n"
            "BOUNDS\n UP BND       x1        3\n UP BND       x2        3\nENDATA\n")
mout = os.path.join(work, "max")
r = postsolve.run(maxi, mout)
terms = postsolve.model_terms(mout)
check(terms["maximise"] and terms["objective_constant"] == 10 and terms["stated"], "model terms")
s = r.solution
objective = (-s.objective if terms["maximise"] else s.objective) + terms["objective_constant"]
check(objective == 17 and r.objective == 17, f"objective in the model's sense {objective}")
exported = json.loads(subprocess.run([kit, "export", mout, "--format", "json"], capture_output=True,
                                     text=True, check=True).stdout)
check(exported["objective"] == 17 and exported["sense"] == "maximise", "export's objective and sense")
check(exported["rows"][0]["dual"] == -s.y[0] == 1, "export's dual in the model's sense")

if failures:
    print("check_basis.py:", *failures, sep="\n  ", file=sys.stderr)
    sys.exit(1)
print("python bases: basis arrays, polish and model terms all good")
