#!/usr/bin/env python3
"""Peak memory of postsolve on hostile inputs under 1 MiB.

Builds inputs designed to make the program allocate as much as their bytes
allow (the three files together stay under 1 MiB), adds every saved fuzz input
(fuzz/corpus, fuzz/regressions), runs the given postsolve on each under
/usr/bin/time -f %M and prints the peak resident set of each, then the worst.
Exits 1 if any peak reaches the limit (64 MiB) or a run ends other than 0, 1, 2.

Usage: python3 fuzz/memcheck.py [BUILD_DIR]     (default: build, a Release build)
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

LIMIT_INPUT = 1 << 20          # bytes of the three files together
LIMIT_PEAK_KIB = 64 * 1024     # what any such input may cost
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

DOMCOL, DUPCOL, FIXCOL, NULCOL, LOWBND, MATRIX, MINBND, HEADER = range(8)
DBLROW, DOMROW, FORROW, NULROW, DUPROW, SGLROW, COLMAP, ROWMAP = range(8, 16)


def i32(*v):
    return struct.pack(f"<{len(v)}i", *v)


def f64(*v):
    return struct.pack(f"<{len(v)}d", *v)


def ints(count, value=0):
    return struct.pack("<i", value) * count


def dbls(count, value=0.0):
    return struct.pack("<d", value) * count


def header(m, n, name=b"mem", rtype=b"L"):
    return (i32(HEADER, m, n, len(name)) + name + dbls(m, -1e30) + dbls(m, 1.0) + rtype * m +
            dbls(n, 0.0) + dbls(n, 1.0))


def empty_names(count):
    return ints(count, 0)  # zero-length names


def matrix(columns, costs=None):
    """columns: list of (count, row) pairs: `count` entries all in `row`."""
    nz = sum(c for c, _ in columns)
    out = [i32(MATRIX, nz, len(columns)), costs if costs is not None else dbls(len(columns), 1.0)]
    for count, row in columns:
        out.append(i32(count) + ints(count, row) + dbls(count, 1.0))
    return b"".join(out)


def colmap(entries, value=-1):
    return i32(COLMAP, entries) + ints(entries, value)


def rowmap(entries, value=-1):
    return i32(ROWMAP, entries) + ints(entries, value)


def solution(nc=0, nr=0, values=True, status=1):
    if not values:
        return i32(status, nc, nr)
    return i32(status, nc, nr) + dbls(nc) + dbls(nr) + dbls(nc)


def files(sol, records, names=b""):
    """The three files: record 0 first, the names right after it. The replay
    runs from the last record to the first, so the maps come last."""
    bin_ = bytearray()
    offsets = []
    for k, rec in enumerate(records):
        offsets.append(len(bin_))
        bin_ += rec
        if k == 0:
            bin_ += names
    stk = i32(*offsets) + i32(len(offsets))
    return sol, stk, bytes(bin_)


def fit(build, lo=1, hi=1 << 22):
    """The largest size parameter whose input stays under LIMIT_INPUT."""
    while lo < hi:
        mid = (lo + hi + 1) // 2
        if sum(map(len, build(mid))) < LIMIT_INPUT:
            lo = mid
        else:
            hi = mid - 1
    return build(lo)


def adversarial():
    # Rows as many as the file holds: header, row map, zero-length names, report lines.
    yield "header-max-rows", fit(lambda m: files(
        solution(), [header(m, 0), matrix([]), colmap(0), rowmap(m)], empty_names(m)))
    # Columns as many as the file holds: header, costs and column slices, column map.
    yield "header-max-cols", fit(lambda n: files(
        solution(), [header(0, n), matrix([(0, 0)] * n), colmap(n), rowmap(0)], empty_names(n)))
    # One column holding every entry the file can.
    yield "matrix-max-entries", fit(lambda nz: files(
        solution(), [header(1, 1), matrix([(nz, 0)]), colmap(1), rowmap(1)], empty_names(2)))
    # A column map far longer than the columns: map, x and z of its length.
    yield "colmap-max-length", fit(lambda N: files(
        solution(), [header(0, 0), matrix([]), colmap(N), rowmap(0)]))
    yield "rowmap-max-length", fit(lambda N: files(
        solution(), [header(0, 0), matrix([]), colmap(0), rowmap(N)]))
    # The reduced solution as large as the file holds, and counts with no values.
    yield "solution-max-values", fit(lambda nc: files(
        solution(nc, nc), [header(0, 0), matrix([]), colmap(0), rowmap(0)]))
    yield "solution-counts-only", files(
        solution(2**31 - 1, 0, values=False),
        [header(0, 1), matrix([(0, 0)]), colmap(1, 5), rowmap(0)], empty_names(1))
    # As many records as the offset stack can list: four-byte records of an unknown code.
    yield "stack-max-records", fit(lambda k: files(
        solution(), [header(0, 0), matrix([]), colmap(0), rowmap(0)] + [i32(99)] * k))
    # An offset stack as long as the file holds, every offset distinct, checked
    # (sorted) before the first record is read; most point past the record file.
    def offsets_only(k):
        sol, _, bin_ = files(solution(), [header(0, 0), matrix([]), colmap(0), rowmap(0)])
        return sol, i32(*range(k)) + i32(k), bin_
    yield "stack-max-offsets", fit(offsets_only)
    # As many warnings as records fit: dominated rows dividing by zero.
    domrow = i32(DOMROW, 0, 0) + f64(1.0, 0.0, 1.0) + i32(-1)
    yield "warnings-max", fit(lambda k: files(
        solution(), [header(1, 1), matrix([(0, 0)])] + [domrow] * k + [colmap(1), rowmap(1)],
        empty_names(2)))
    # One forcing row with as many items as the file holds.
    item = b"l" + i32(0) + f64(0.0, 1.0, 1.0) + i32(-1)
    yield "forrow-max-items", fit(lambda k: files(
        solution(), [header(1, 1, rtype=b"E"), matrix([(1, 0)]), i32(FORROW, 0) + item * k + b"e",
                     colmap(1), rowmap(1)], empty_names(2)))
    # Rows and a matrix together, with long names filling the rest of the file.
    def mixed(m):
        name = b"n" * 64
        names = (i32(len(name)) + name) * (2 * m)
        return files(solution(m, m), [header(m, m), matrix([(1, j) for j in range(m)]),
                                      colmap(m), rowmap(m)], names)
    yield "mixed-long-names", fit(mixed)


def saved():
    for sub in ("corpus", "regressions"):
        d = os.path.join(ROOT, "fuzz", sub)
        if not os.path.isdir(d):
            continue
        for name in sorted(os.listdir(d)):
            data = open(os.path.join(d, name), "rb").read()
            parts = []
            for _ in range(2):  # the fuzz input layout: le32 length, bytes; twice; the rest
                n = struct.unpack("<I", data[:4])[0] if len(data) >= 4 else 0
                data = data[4:] if len(data) >= 4 else data
                parts.append(data[:n])
                data = data[n:]
            yield f"{sub}/{name}", (parts[0], parts[1], data)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    exe = os.path.abspath(os.path.join(build, "postsolve"))
    if not os.access(exe, os.X_OK):
        sys.exit(f"memcheck: no {exe}; build it first")
    scratch = tempfile.mkdtemp(prefix="postsolve-mem-", dir="/dev/shm")
    worst = ("", 0, 0)
    corpus = [0, 0]  # inputs, their largest peak
    failed = False
    try:
        print(f"{'input':40} {'bytes':>8} {'exit':>4} {'peak KiB':>9}")
        for label, (sol, stk, bin_) in list(adversarial()) + list(saved()):
            size = len(sol) + len(stk) + len(bin_)
            run = os.path.join(scratch, "run")
            shutil.rmtree(run, ignore_errors=True)
            os.mkdir(run)
            for fname, data in (("dravfile.sol", sol), ("dravfile.stk", stk), ("dravfile.bin", bin_)):
                with open(os.path.join(run, fname), "wb") as f:
                    f.write(data)
            timef = os.path.join(scratch, "time")
            proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", timef, exe], cwd=run,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            peak = int(open(timef).read().split()[-1])
            status = proc.returncode
            bad = status not in (0, 1, 2) or peak >= LIMIT_PEAK_KIB or size >= LIMIT_INPUT
            failed |= bad
            if label.startswith("corpus/"):
                corpus = [corpus[0] + 1, max(corpus[1], peak)]
            if not label.startswith("corpus/") or bad:
                print(f"{label:40} {size:8} {status:4} {peak:9}" + ("  <-- FAILS" if bad else ""))
            if peak > worst[2]:
                worst = (label, size, peak)
        print(f"corpus: {corpus[0]} inputs, largest peak {corpus[1]} KiB")
        print(f"worst: {worst[0]} ({worst[1]} bytes): peak {worst[2]} KiB "
              f"({worst[2] / 1024:.1f} MiB), limit {LIMIT_PEAK_KIB // 1024} MiB")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
