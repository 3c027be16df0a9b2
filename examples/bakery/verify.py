#!/usr/bin/env python3
"""Checks postsolve on the bakery example with exact arithmetic.

Usage: python3 examples/bakery/verify.py BUILD_DIR

Runs BUILD_DIR/postsolve on a copy of this folder's dravfile.sol/.stk/.bin in a
temporary directory, reads the full LP (bounds, row types, costs, matrix, names)
from the record file itself, parses the report and checks, all in fractions:

  - the run ended with status 0 and named the report bakery.rpt;
  - the report's header, names, row types and bounds agree with the record file;
  - every printed activity is A.x and every printed dual slack is c - A'y;
  - primal feasibility: each row within its bounds by its type (E: = rlo,
    L: <= rup, G: >= rlo, other: rlo <= . <= rup), each column within its bounds;
  - dual signs (L rows y <= 0, G rows y >= 0, range rows by the side they sit
    on; columns z >= 0 unless at an upper bound, z <= 0 unless at a lower bound)
    and complementary slackness (a non-zero y or z only on an active bound);
  - the recovered primal values equal the ones worked out by hand;
  - c.x equals the known optimum -333.1875 (-5331/16).

Every number in this example is a short binary fraction, so the program's
double arithmetic is exact and the seven digits of the report show each value
exactly: the checks use no tolerance.  Standard library only.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
from fractions import Fraction

HERE = os.path.dirname(os.path.abspath(__file__))
INPUTS = ("dravfile.sol", "dravfile.stk", "dravfile.bin")
REPORT = "bakery.rpt"
OPTIMUM = Fraction(-5331, 16)
INF = Fraction(999, 1000) * 10**30  # a bound beyond this magnitude is infinite

# The optimum worked out by hand (see bakery.case).  Only the split of the 120
# hotel rolls between roll and rollpair is not forced by optimality: the
# duplicate-column replay takes the middle of rollpair's range [20, 30].
HAND_X = {
    "white": Fraction(93, 2), "roll": Fraction(70), "rollpair": Fraction(25),
    "almondcr": Fraction(0), "tart": Fraction(0), "sourdgh": Fraction(24),
    "starter": Fraction(6), "wedcake": Fraction(1), "rye": Fraction(0),
    "giftbox": Fraction(15), "flournet": Fraction(19, 4), "kwh": Fraction(211, 4),
}
HAND_Y = {
    "flour": Fraction(-1, 2), "oven": Fraction(-9, 32), "labour": Fraction(0),
    "hotel": Fraction(-1, 16), "crates": Fraction(0), "almond": Fraction(-49, 8),
    "starter": Fraction(7, 2), "energy": Fraction(-1, 4),
}


class Reader:
    def __init__(self, data, pos=0):
        self.data, self.pos = data, pos

    def take(self, fmt):
        size = struct.calcsize(fmt)
        vals = struct.unpack_from(fmt, self.data, self.pos)
        self.pos += size
        return vals

    def i32(self):
        return self.take("<i")[0]

    def f64s(self, count):
        return [Fraction(v) for v in self.take("<%dd" % count)]

    def raw(self, count):
        out = self.data[self.pos:self.pos + count]
        self.pos += count
        return out


def read_problem(folder):
    """The full LP as the record file holds it: HEADER, names and MATRIX."""
    with open(os.path.join(folder, "dravfile.stk"), "rb") as f:
        stk = f.read()
    count = struct.unpack_from("<i", stk, len(stk) - 4)[0]
    offsets = struct.unpack_from("<%di" % count, stk, 0)
    with open(os.path.join(folder, "dravfile.bin"), "rb") as f:
        data = f.read()
    lp = {}
    r = Reader(data, offsets[0])
    if r.i32() != 7:
        raise SystemExit("record 0 is not the header")
    m, n, length = r.i32(), r.i32(), r.i32()
    lp["name"] = r.raw(length).decode()
    lp["m"], lp["n"] = m, n
    lp["rlo"], lp["rup"] = r.f64s(m), r.f64s(m)
    lp["rtype"] = r.raw(m).decode()
    lp["clo"], lp["cup"] = r.f64s(n), r.f64s(n)
    names = [r.raw(r.i32()).decode() for _ in range(m + n)]
    lp["rows"], lp["cols"] = names[:m], names[m:]
    for off in offsets[1:]:
        r = Reader(data, off)
        if r.i32() == 5:  # the costs and the matrix
            r.i32()  # entry count
            ncols = r.i32()
            lp["c"] = r.f64s(ncols)
            lp["A"] = []
            for _ in range(ncols):
                cnt = r.i32()
                ind = list(r.take("<%di" % cnt))
                lp["A"].append(list(zip(ind, r.f64s(cnt))))
            break
    else:
        raise SystemExit("record file has no matrix")
    return lp


def number(tok):
    if tok in ("-infinity", "+infinity"):
        return None
    return Fraction(tok)


def read_report(path):
    with open(path) as f:
        lines = f.read().split("\n")
    head = {}
    for line in lines[:4]:
        key, _, val = line.partition(":")
        head[key.strip()] = val.strip()
    rows, cols = [], []
    section = None
    for line in lines:
        if line == "ROWS":
            section = rows
        elif line == "COLUMNS":
            section = cols
        elif section is not None and line.startswith(" ") and line.split()[0].isdigit():
            t = line.split()
            section.append({"order": int(t[0]), "name": t[1], "type": t[2], "lower": number(t[3]),
                            "value": number(t[4]), "upper": number(t[5]), "dual": number(t[6])})
    return head, rows, cols, lines


class Checks:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, what, problems):
        if problems:
            self.failed += 1
            print("FAIL  %s" % what)
            for p in problems[:20]:
                print("        %s" % p)
        else:
            self.passed += 1
            print("ok    %s" % what)


def main():
    if len(sys.argv) != 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    exe = os.path.join(os.path.abspath(sys.argv[1]), "postsolve")
    if not os.access(exe, os.X_OK):
        print("verify: no postsolve program at %s" % exe, file=sys.stderr)
        return 2
    lp = read_problem(HERE)
    ck = Checks()
    with tempfile.TemporaryDirectory(prefix="bakery-") as tmp:
        for name in INPUTS:
            shutil.copy(os.path.join(HERE, name), tmp)
        run = subprocess.run([exe], cwd=tmp, stdin=subprocess.DEVNULL, capture_output=True,
                             text=True, timeout=120)
        log = run.stdout
        report = os.path.join(tmp, REPORT)
        problems = []
        if run.returncode != 0:
            problems.append("exit status %d" % run.returncode)
        prefix = " report file name "
        if not any(l.startswith(prefix) and l[len(prefix):].lstrip(".") == REPORT
                   for l in log.split("\n")):
            problems.append("no '%s... %s' line on standard output" % (prefix, REPORT))
        if not os.path.exists(report):
            problems.append("no report file %s" % REPORT)
        ck.check("run: status 0, report %s written" % REPORT, problems)
        if not os.path.exists(report):
            print("verify: %d passed, %d failed" % (ck.passed, ck.failed))
            return 1
        head, rows, cols, _ = read_report(report)

    m, n = lp["m"], lp["n"]
    c, A = lp["c"], lp["A"]

    # counters: one reduction of each of the twelve kinds
    counts = [l for l in log.split("\n") if " passes " in l]
    problems = []
    if len(counts) != 13:
        problems.append("expected 13 counter lines, found %d" % len(counts))
    for line in counts:
        want = "12" if "total" in line else "1"
        if line.rsplit(None, 1)[-1] != want:
            problems.append("%r: expected %s" % (line.strip(), want))
    ck.check("log: one reduction of each of the twelve kinds undone, 12 in all", problems)

    problems = []
    if head.get("INPUT FILE NAME") != lp["name"]:
        problems.append("name %r" % head.get("INPUT FILE NAME"))
    if head.get("NUMBER OF ROWS") != str(m) or head.get("NUMBER OF COLUMNS") != str(n):
        problems.append("size %s x %s" % (head.get("NUMBER OF ROWS"), head.get("NUMBER OF COLUMNS")))
    if head.get("SOLUTION STATUS") != "optimal":
        problems.append("status %r" % head.get("SOLUTION STATUS"))
    if len(rows) != m or len(cols) != n:
        problems.append("%d row lines and %d column lines" % (len(rows), len(cols)))
    label = {"E": "EQ", "L": "LE", "G": "GE"}
    for i, row in enumerate(rows[:m]):
        t = lp["rtype"][i]
        if row["order"] != i + 1 or row["name"] != lp["rows"][i]:
            problems.append("row line %d is %d %s" % (i + 1, row["order"], row["name"]))
        if row["type"] != label.get(t, "RG"):
            problems.append("row %s type %s for %r" % (row["name"], row["type"], t))
        if t in "EG" or t not in "EGL":
            if row["lower"] != lp["rlo"][i]:
                problems.append("row %s lower %s" % (row["name"], row["lower"]))
        if t in "EL" or t not in "EGL":
            if row["upper"] != lp["rup"][i]:
                problems.append("row %s upper %s" % (row["name"], row["upper"]))
    for j, col in enumerate(cols[:n]):
        if col["order"] != j + 1 or col["name"] != lp["cols"][j]:
            problems.append("column line %d is %d %s" % (j + 1, col["order"], col["name"]))
        for side, val in (("lower", lp["clo"][j]), ("upper", lp["cup"][j])):
            want = None if abs(val) > INF else val
            if col[side] != want:
                problems.append("column %s %s %s, header %s" % (col["name"], side, col[side], val))
    ck.check("report: header, names, types and bounds agree with the record file", problems)
    if problems:
        print("verify: %d passed, %d failed" % (ck.passed, ck.failed))
        return 1

    x = [col["value"] for col in cols]
    y = [row["dual"] for row in rows]
    ax = [Fraction(0)] * m
    aty = [Fraction(0)] * n
    for j in range(n):
        for i, a in A[j]:
            ax[i] += a * x[j]
            aty[j] += a * y[i]
    z = [c[j] - aty[j] for j in range(n)]

    ck.check("activities: printed active values equal A.x",
             ["row %s: %s, A.x = %s" % (rows[i]["name"], rows[i]["value"], ax[i])
              for i in range(m) if rows[i]["value"] != ax[i]])
    ck.check("dual slacks: printed values equal c - A'y",
             ["column %s: %s, c - A'y = %s" % (cols[j]["name"], cols[j]["dual"], z[j])
              for j in range(n) if cols[j]["dual"] != z[j]])

    problems = []
    for i in range(m):
        t, lo, up, a = lp["rtype"][i], lp["rlo"][i], lp["rup"][i], ax[i]
        ok = {"E": a == lo, "L": a <= up, "G": a >= lo}.get(t, lo <= a <= up)
        if not ok:
            problems.append("row %s (%s): activity %s, bounds [%s, %s]" % (lp["rows"][i], t, a, lo, up))
    ck.check("primal feasibility: rows within their bounds", problems)

    problems = []
    for j in range(n):
        lo, up = lp["clo"][j], lp["cup"][j]
        if (abs(lo) <= INF and x[j] < lo) or (abs(up) <= INF and x[j] > up):
            problems.append("column %s: %s outside [%s, %s]" % (lp["cols"][j], x[j], lo, up))
    ck.check("primal feasibility: columns within their bounds", problems)

    problems = []
    for i in range(m):
        t, lo, up, a, yi = lp["rtype"][i], lp["rlo"][i], lp["rup"][i], ax[i], y[i]
        name = lp["rows"][i]
        if t == "L" and yi > 0:
            problems.append("row %s (L): dual %s > 0" % (name, yi))
        elif t == "G" and yi < 0:
            problems.append("row %s (G): dual %s < 0" % (name, yi))
        elif t not in "ELG" and lo != up and ((yi > 0 and a != lo) or (yi < 0 and a != up)):
            problems.append("row %s (range): dual %s on the wrong side" % (name, yi))
    for j in range(n):
        lo, up, name = lp["clo"][j], lp["cup"][j], lp["cols"][j]
        if lo == up:
            continue  # a fixed column's dual slack may have any sign
        if z[j] > 0 and abs(lo) > INF:
            problems.append("column %s: dual slack %s > 0 without a lower bound" % (name, z[j]))
        if z[j] < 0 and abs(up) > INF:
            problems.append("column %s: dual slack %s < 0 without an upper bound" % (name, z[j]))
    ck.check("dual feasibility: signs of row duals and dual slacks", problems)

    problems = []
    for i in range(m):
        t, a, yi = lp["rtype"][i], ax[i], y[i]
        if yi != 0 and t != "E":
            side = lp["rup"][i] if (t == "L" or (t not in "G" and yi < 0)) else lp["rlo"][i]
            if a != side:
                problems.append("row %s: dual %s but activity %s off its bound %s"
                                % (lp["rows"][i], yi, a, side))
    for j in range(n):
        lo, up = lp["clo"][j], lp["cup"][j]
        if lo == up:
            continue
        if (z[j] > 0 and x[j] != lo) or (z[j] < 0 and x[j] != up):
            problems.append("column %s: dual slack %s but value %s not on the matching bound"
                            % (lp["cols"][j], z[j], x[j]))
    ck.check("complementary slackness", problems)

    ck.check("primal values equal the hand computation",
             ["column %s: %s, by hand %s" % (lp["cols"][j], x[j], HAND_X.get(lp["cols"][j]))
              for j in range(n) if HAND_X.get(lp["cols"][j]) != x[j]])
    ck.check("row duals equal the hand computation",
             ["row %s: %s, by hand %s" % (lp["rows"][i], y[i], HAND_Y.get(lp["rows"][i]))
              for i in range(m) if HAND_Y.get(lp["rows"][i]) != y[i]])

    obj = sum(c[j] * x[j] for j in range(n))
    ck.check("objective: c.x = %s (%s)" % (OPTIMUM, float(OPTIMUM)),
             [] if obj == OPTIMUM else ["c.x = %s (%s)" % (obj, float(obj))])

    print("verify: %d passed, %d failed" % (ck.passed, ck.failed))
    return 0 if ck.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
