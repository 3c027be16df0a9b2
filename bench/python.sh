#!/usr/bin/env bash
# The Python module's replay beside the C++ library's, on one generated log.
#
# Usage: bench/python.sh [BUILD_DIR [SIZE]]
#   BUILD_DIR  holds mkbench, libreplay and python/postsolve/_core*.so (default: build)
#   SIZE       ROWSxCOLUMNSxNONZEROS (default 500000x1000000x10000000)
# Environment: BENCH_RUNS (default 5), BENCH_SEED (default 1), BENCH_DIR
# (default /dev/shm/postsolve-pybench.PID), PYTHON (default /usr/bin/python3).
#
# Prints the median of the runs after a warm-up for postsolve::Replay(DIR)
# in C++ and postsolve.replay(DIR) in Python (both ending with the solution's
# arrays in hand; Python's are views, no copy), and the ratio against the
# goal of at most 1.2.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
size=${2:-500000x1000000x10000000}
runs=${BENCH_RUNS:-5}
seed=${BENCH_SEED:-1}
work=${BENCH_DIR:-/dev/shm/postsolve-pybench.$$}
python=${PYTHON:-/usr/bin/python3}
for tool in mkbench libreplay; do
  [[ -x $build/$tool ]] || { echo "python.sh: $build/$tool is missing; build the targets mkbench libreplay postsolve_python" >&2; exit 1; }
done
compgen -G "$build/python/postsolve/_core*.so" >/dev/null ||
  { echo "python.sh: no Python module in $build/python; build the target postsolve_python" >&2; exit 1; }
IFS=x read -r rows cols nz <<<"$size"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
echo "== $rows rows, $cols columns, $nz non-zeros (seed $seed) =="
"$build/mkbench" "$work" "$rows" "$cols" "$nz" "$seed" | sed 's/^/   /'

read -r cpp cpp_obj < <("$build/libreplay" "$work" "$runs")
read -r py py_obj < <(PYTHONPATH=$build/python "$python" - "$work" "$runs" <<'PY'
import statistics, sys, time
import postsolve
work, runs = sys.argv[1], int(sys.argv[2])
times = []
for run in range(runs + 1):
    t0 = time.perf_counter()
    s = postsolve.replay(work)
    arrays = (s.x, s.y, s.z, s.row_activity)  # views: no copy is made
    t1 = time.perf_counter()
    if run:
        times.append(t1 - t0)
    del s, arrays
print(f"{statistics.median(times):.6f} {repr(postsolve.replay(work).objective)}")
PY
)
printf '%-32s %10.3f s   (median of %d after a warm-up)\n' "C++ postsolve::Replay" "$cpp" "$runs"
printf '%-32s %10.3f s   (median of %d after a warm-up)\n' "Python postsolve.replay" "$py" "$runs"
ratio=$(awk "BEGIN { printf \"%.3f\", $py / $cpp }")
printf '%-32s %10s     goal at most 1.2: %s\n' "Python / C++" "$ratio" "$(awk "BEGIN { print ($ratio <= 1.2) ? \"met\" : \"NOT met\" }")"
[[ $(awk "BEGIN { print ($cpp_obj == $py_obj) }") == 1 ]] || echo "python.sh: the objectives differ: $cpp_obj vs $py_obj" >&2
echo "The machine may be shared: the figures are indicative."
