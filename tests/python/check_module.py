"""The installed Python module against the installed postsolve-kit.

check_module.py KIT WORKDIR CASEDIR..: for every case directory, the module's
solution equals `KIT export --format json` bit for bit, replaying from bytes
gives the same, the arrays are read-only views that keep their solution
alive, the report matches the program's, and a damaged log raises
postsolve.Error with the program's message. verify gives the kit's text on
brandy. Then a log written through postsolve.LogWriter replays to the
expected values.
"""
import gc
import json
import os
import pathlib
import shutil
import struct
import subprocess
import sys

import numpy as np
import postsolve

kit, work, cases = sys.argv[1], sys.argv[2], sys.argv[3:]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def bits(value):
    """The 64 bits of a double; JSON's strings for non-finite values in the case syntax."""
    if isinstance(value, str):
        if value.startswith("nan:0x"):
            return int(value[6:], 16)
        value = {"inf": "inf", "-inf": "-inf", "nan": "nan", "-nan": "-nan"}[value]
        if value == "-nan":
            return struct.unpack("<Q", struct.pack("<d", -float("nan")))[0]
        value = float(value)
    return struct.unpack("<Q", struct.pack("<d", float(value)))[0]


def same_bits(array, values, what):
    check(array.dtype == np.float64 and array.shape == (len(values),), what + ": dtype or shape")
    got = array.view(np.uint64).tolist()
    want = [bits(v) for v in values]
    check(got == want, what + ": differs from the export")


os.makedirs(work, exist_ok=True)
check(postsolve.__file__.startswith(os.environ.get("PYTHONPATH", "?")), "module not imported from the prefix")
for case in cases:
    name = os.path.basename(case.rstrip("/"))
    exported = json.loads(subprocess.run([kit, "export", case, "--format", "json"], check=True,
                                         capture_output=True, text=True).stdout)
    s = postsolve.replay(pathlib.Path(case))
    rows, cols = exported["rows"], exported["columns"]
    check(s.name == exported["name"] and s.status == exported["status"], name + ": name or status")
    check(s.row_names == [r["name"] for r in rows] and s.col_names == [c["name"] for c in cols], name + ": names")
    check(s.row_types == [r["type"] for r in rows] and s.col_types == [c["type"] for c in cols], name + ": types")
    for array, key, table in ((s.row_lower, "lower", rows), (s.row_upper, "upper", rows),
                              (s.row_activity, "activity", rows), (s.y, "dual", rows),
                              (s.col_lower, "lower", cols), (s.col_upper, "upper", cols),
                              (s.x, "value", cols), (s.z, "dual_slack", cols)):
        same_bits(array, [entry[key] for entry in table], f"{name}: {key}")
    measured = postsolve.check(case)
    check(bits(measured["objective"]) == bits(s.objective), name + ": objective differs from check's")

    files = [open(os.path.join(case, f), "rb").read() for f in ("dravfile.sol", "dravfile.stk", "dravfile.bin")]
    t = postsolve.replay_bytes(*files)
    check(t.x.tobytes() == s.x.tobytes() and t.z.tobytes() == s.z.tobytes(), name + ": replay from bytes differs")

    # Views, not copies: the same storage every time, read-only, alive after the solution goes.
    x = s.x
    check(x.base is s and not x.flags.writeable, name + ": x is not a read-only view of the solution")
    check(s.x.ctypes.data == x.ctypes.data, name + ": two reads of x gave different storage")
    out = os.path.join(work, name)
    os.makedirs(out, exist_ok=True)
    report = s.write_report(out)
    expected = os.path.join(case, "expected.report")
    if os.path.exists(expected):
        check(open(report, "rb").read() == open(expected, "rb").read(), name + ": report differs")
    before = x.tobytes()
    del s, t
    gc.collect()
    check(x.tobytes() == before, name + ": x changed once its solution was dropped")

    # A cut record file: the module's message is the program's.
    damaged = os.path.join(work, name + "-cut")
    shutil.copytree(case, damaged, dirs_exist_ok=True)
    with open(os.path.join(damaged, "dravfile.bin"), "r+b") as f:
        f.truncate(len(files[2]) * 2 // 3)
    program = subprocess.run([os.path.join(os.path.dirname(kit), "postsolve")], cwd=damaged,
                             capture_output=True, text=True)
    here = os.getcwd()
    os.chdir(damaged)
    try:
        postsolve.replay(".")
        check(False, name + ": a cut record file replayed")
    except postsolve.Error as e:
        check(program.stderr == f"postsolve: {e}\n", f"{name}: message {e!r} vs {program.stderr!r}")
    finally:
        os.chdir(here)

# verify, where the sample models are installed: the kit's text, and a model
# of other names refused.
samples = "/usr/share/coin/Data/Sample"
brandy = [c for c in cases if os.path.basename(c.rstrip("/")) == "brandy"]
if brandy and os.path.exists(os.path.join(samples, "brandy.mps")):
    model = os.path.join(samples, "brandy.mps")
    kit_text = subprocess.run([kit, "verify", model, brandy[0]], capture_output=True, text=True).stdout
    verified = postsolve.verify(model, brandy[0])
    check(verified["passed"] and verified["text"] == kit_text, "verify differs from the kit's: " + repr(verified))
    try:
        postsolve.verify(os.path.join(samples, "afiro.mps"), brandy[0])
        check(False, "verify matched brandy's log with afiro's names")
    except postsolve.Error:
        pass

# min a + 2b s.t. a + b >= 1, 0 <= a, b <= 10; the presolver fixed b at 0.
log = postsolve.LogWriter()
log.header("pair", [1.0], [1e30], "G", [0.0, 0.0], [10.0, 10.0], ["demand"], ["a", "b"])
log.matrix([1.0, 2.0], [[(0, 1.0)], [(0, 1.0)]])
log.fixed_column(1, 0.0, 2.0, [(0, 1.0)])
log.col_map([0, -1])
log.row_map([0])
pair_dir = os.path.join(work, "pair")
os.makedirs(pair_dir, exist_ok=True)
log.save(pair_dir, 0, [1.0], [1.0], [0.0])
pair = postsolve.replay(pair_dir)
check(pair.x.tolist() == [1.0, 0.0] and pair.z.tolist() == [0.0, 1.0] and pair.objective == 1.0,
      "the Python-written log replays to " + repr((pair.x, pair.z, pair.objective)))
compressed = postsolve.LogWriter()
compressed.header("pair", [1.0], [1e30], "G", [0.0, 0.0], [10.0, 10.0], ["demand"], ["a", "b"])
compressed.matrix_csc([1.0, 2.0], [0, 1, 2], [0, 0], [1.0, 1.0])
check(compressed.record_bytes() == log.record_bytes()[:len(compressed.record_bytes())],
      "the compressed matrix writes other bytes than the column lists")
try:
    postsolve.LogWriter().matrix([1.0], [[]])
    check(False, "a log not starting with its header was accepted")
except postsolve.Error:
    pass

for f in failures:
    print("check_module.py:", f, file=sys.stderr)
print(f"python module: {len(cases)} cases, {len(failures)} failures")
sys.exit(1 if failures else 0)
