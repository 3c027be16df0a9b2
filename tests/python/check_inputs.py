"""The Python module refuses nonsense where it comes in, and prints nothing.

check_inputs.py WORKDIR MODEL: every LogWriter call given NaN, an infinity
where a finite number is needed, a forcing-row tag other than 'l' or 'u', a
map that is not one to one or duplicate_column(k, k) raises postsolve.Error
naming the call and the argument, and writes nothing; infinite bounds still
go through; run, presolve and solve refuse an empty directory; a replay that
fails on a duplicate column's factor says so in the error, not on standard
output.
"""
import math
import os
import shutil
import sys
import tempfile

import postsolve

os.makedirs(sys.argv[1], exist_ok=True)
work, model_path = tempfile.mkdtemp(prefix="inputs-", dir=sys.argv[1]), sys.argv[2]
failures = []
nan, inf = math.nan, math.inf


def check(ok, what):
    if not ok:
        failures.append(what)


def started():
    w = postsolve.LogWriter()
    w.header("p", [1, -inf], [inf, 4], "GL", [0, 0, -inf], [10, 1e30, inf], ["r0", "r1"], ["a", "b", "c"])
    w.matrix([1, 2, 3], [[(0, 1.0)], [(0, 1.0), (1, 2.0)], [(1, 1.0)]])
    return w


def refused(call, message):
    w = started()
    before = w.record_bytes()
    try:
        call(w)
    except postsolve.Error as e:
        check(str(e).startswith("log writer: " + message), f"{message!r}: got {e}")
        check(w.record_bytes() == before, f"{message!r}: the refused call wrote")
        return
    failures.append(f"accepted: {message}")


col = [(0, 1.0)]
refused(lambda w: w.fixed_column(0, nan, 1, []), "FixedColumn: xval is NaN")
refused(lambda w: w.minus_bound(0, inf), "MinusBound: u is infinite")
refused(lambda w: w.duplicate_column(1, 1, 2, 0, 1, 0, 1), "DuplicateColumn: k and j are both 1")
refused(lambda w: w.forcing_row(0, [postsolve.ForcedColumn("x", 0, 1, 1, 0, col)]),
        "ForcingRow: columns[0].tag is 'x'; it must be 'l' or 'u'")
refused(lambda w: w.col_map([1, 1, -1]), "ColMap: map[1] is 1, as map[0] is; the map must be one to one")
refused(lambda w: w.matrix([1, 2, nan], [[], [], []]), "Matrix: c[2] is NaN")
check(sorted(os.listdir(work)) == [], "a refused call left files")

# Infinite bounds go through, and the log replays; a tiny duplicate factor
# fails the replay with its reason in the error and nothing on standard output.
w = started()
w.duplicate_column(0, 1, 2, -inf, inf, 0, 1e30)
w.col_map([-1, 0, -1])
w.row_map([0, -1])
good = os.path.join(work, "good")
w.save(good, 0, [1], [1], [0])
check(len(postsolve.replay(good).x) == 3, "infinite bounds replay")

w = started()
w.duplicate_column(0, 1, 0, 0, 1, 0, 1)
w.col_map([-1, 0, 1])
w.row_map([0, 1])
bad = os.path.join(work, "bad")
w.save(bad, 0, [1, 1], [1, 1], [0, 0])
with tempfile.TemporaryFile() as captured:
    sys.stdout.flush()
    saved = os.dup(1)
    os.dup2(captured.fileno(), 1)
    try:
        postsolve.replay(bad)
        failures.append("a zero duplicate factor replayed")
    except postsolve.Error as e:
        check("duplicate column 0 of column 1 has factor 0" in str(e), str(e))
    finally:
        os.dup2(saved, 1)
        os.close(saved)
    captured.seek(0)
    check(captured.read() == b"", "the library printed to standard output")

# An empty directory is refused before anything is written.
message = "the output directory is an empty string; give a directory (. for the current one)"
for name, call in (("run", lambda: postsolve.run(model_path, "")),
                   ("presolve", lambda: postsolve.presolve(model_path, "")),
                   ("solve", lambda: postsolve.solve(""))):
    try:
        call()
        failures.append(f"{name} accepted an empty directory")
    except postsolve.Error as e:
        check(str(e) == message, f"{name}: {e}")

shutil.rmtree(work)
if failures:
    print("check_inputs.py: " + "; ".join(failures), file=sys.stderr)
    sys.exit(1)
print("check_inputs.py: refusals, infinite bounds, silent replay and empty directories all good")
