#!/usr/bin/env bash
# Times postsolve on generated logs of 1 million and 10 million non-zeros.
#
# Usage: bench/run.sh [BUILD_DIR [SIZE..]]
#   BUILD_DIR  holds postsolve, postsolve-kit, mkbench and phases (default: build)
#   SIZE       ROWSxCOLUMNSxNONZEROS; the default sizes are
#              50000x100000x1000000 and 500000x1000000x10000000
# Environment:
#   BENCH_SIZES  the sizes, when none are given as arguments
#   BENCH_RUNS   timed runs after the warm-up (default 5)
#   BENCH_SEED   generator seed (default 1)
#   BENCH_DIR    work directory, memory-backed (default /dev/shm/postsolve-bench.PID)
#
# For each size it prints the input and report sizes, postsolve's wall and
# CPU time, its system time and minor page faults (which tell how dear a first
# touch of memory is on this machine), peak memory, throughput, a floor measured in the same run
# (copying the record file, then writing a file the size of the report) with
# postsolve's ratio to it, and the time of each phase measured through the
# library; then each of the kit's commands over the same files (check,
# export as csv, json and highs, dump --summary): wall time, peak memory and
# the ratio to postsolve's wall time. Everything runs in a memory-backed directory after a warm-up, and
# every time is a median, so that disk writeback and stray load blur the
# figures as little as they can. At the end: the growth from the first size
# to the last, and the core count.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
shift || true
# On a fresh machine: install what is missing and build the three tools.
if [[ ! -x $build/postsolve || ! -x $build/postsolve-kit || ! -x $build/mkbench || ! -x $build/phases ||
      ! -x /usr/bin/time ]]; then
  "$root/scripts/setup.sh"
  [[ -f $build/CMakeCache.txt ]] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$(nproc)" --target postsolve postsolve-kit mkbench phases >/dev/null
fi
build=$(cd "$build" && pwd)
sizes=${*:-${BENCH_SIZES:-50000x100000x1000000 500000x1000000x10000000}}
runs=${BENCH_RUNS:-5}
seed=${BENCH_SEED:-1}
work=${BENCH_DIR:-/dev/shm/postsolve-bench.$$}

for tool in postsolve postsolve-kit mkbench phases; do
  [[ -x $build/$tool ]] || { echo "run.sh: $build/$tool is missing; build the targets postsolve postsolve-kit mkbench phases" >&2; exit 1; }
done
[[ -x /usr/bin/time ]] || { echo "run.sh: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "run.sh: BENCH_RUNS must be a positive count" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
fstype=$(stat -f -c %T "$work")
[[ $fstype == tmpfs || $fstype == ramfs ]] ||
  echo "run.sh: warning: $work is on $fstype, not in memory: writeback will blur the figures" >&2

# --- helpers ---------------------------------------------------------------

calc() { awk "BEGIN { printf \"%.6f\\n\", $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mb() { calc "$1 / 1e6"; }
mib() { calc "$1 / 1048576"; }

# One run of postsolve in the current directory; prints
# "wall cpu rss_kib sys minor_faults". CPU is the children's user+sys time from
# the shell's `times`, to the millisecond; the rest comes from /usr/bin/time.
post_once() {
  (
    t0=$EPOCHREALTIME
    /usr/bin/time -f '%M %S %R' -o "$work/rss" "$build/postsolve" >/dev/null
    t1=$EPOCHREALTIME
    times >"$work/times"  # not in a pipe: a forked shell would see no children
    cpu=$(tail -1 "$work/times" | awk '{ s = 0; for (i = 1; i <= 2; ++i) { split($i, p, /[ms]/); s += p[1] * 60 + p[2] } print s }')
    echo "$(calc "$t1 - $t0") $cpu $(cat "$work/rss")"
  )
}

# One run of a kit command over the current directory, its output thrown
# away; prints "wall rss_kib". Status 3 (check: a measure outside its
# tolerance) is a verdict on the generated numbers, not a failure.
kit_once() {
  local t0=$EPOCHREALTIME status=0
  /usr/bin/time -q -f '%M' -o "$work/rss" "$build/postsolve-kit" "$@" . >/dev/null 2>&1 || status=$?
  ((status == 0 || status == 3)) || { echo "run.sh: postsolve-kit $* exited with status $status" >&2; exit 1; }
  echo "$(calc "$EPOCHREALTIME - $t0") $(cat "$work/rss")"
}

# Each kit command: median wall and largest peak memory of the timed runs
# after a warm-up, its ratio to postsolve's wall time against its goal, and
# whether it stays within postsolve's memory goal.
kit_table() {
  local label goal cmd kwall krss
  printf '%-28s %10s   %10s\n' "postsolve-kit" "wall" "peak RSS"
  while IFS='|' read -r label goal cmd; do
    # shellcheck disable=SC2086  # the command's words
    kit_once $cmd >/dev/null
    : >"$work/kit"
    for ((i = 0; i < runs; ++i)); do
      # shellcheck disable=SC2086
      kit_once $cmd >>"$work/kit"
    done
    kwall=$(awk '{ print $1 }' "$work/kit" | median)
    krss=$(awk '{ print $2 }' "$work/kit" | sort -g | tail -1)
    printf '  %-26s %10.3f s %10.1f MiB  %.2f x postsolve, goal %s: %s; memory goal: %s\n' "$label" "$kwall" \
      "$(calc "$krss / 1024")" "$(calc "$kwall / $wall")" "$goal" "$(verdict "$kwall / $wall <= $goal")" \
      "$(verdict "$krss / 1024 <= $goal_mib")"
  done <<'COMMANDS'
check|2|check
export --format csv|2|export --format csv
export --format json|3|export --format json
export --format highs|3|export --format highs
dump --summary|2|dump --summary
COMMANDS
}

# The floor: what merely moving the bytes costs.
floor_once() {
  local t0=$EPOCHREALTIME
  cp dravfile.bin "$work/floor/copy.bin"
  dd if=/dev/zero of="$work/floor/report" bs=1M count="$report_bytes" iflag=count_bytes status=none
  calc "$EPOCHREALTIME - $t0"
}

verdict() { awk "BEGIN { print ($1) ? \"met\" : \"NOT met\" }"; }

# --- one size ----------------------------------------------------------------

first_wall= last_wall= first_cpu= last_cpu= first_label= last_label=
load0=$(cut -d' ' -f1 /proc/loadavg)
for size in $sizes; do
  IFS=x read -r rows cols nz <<<"$size"
  [[ $rows =~ ^[0-9]+$ && $cols =~ ^[0-9]+$ && $nz =~ ^[0-9]+$ ]] || { echo "run.sh: bad size '$size' (want ROWSxCOLUMNSxNONZEROS)" >&2; exit 1; }
  dir=$work/input
  rm -rf "$dir" "$work/floor"
  mkdir -p "$dir" "$work/floor"
  echo "== $rows rows, $cols columns, $nz non-zeros (seed $seed) =="
  t0=$EPOCHREALTIME
  "$build/mkbench" "$dir" "$rows" "$cols" "$nz" "$seed" | sed 's/^/   /'
  printf '%-28s %10.3f s\n' "generated in" "$(calc "$EPOCHREALTIME - $t0")"
  cd "$dir"

  # Warm-up: also names the report and checks the run is clean.
  status=0
  "$build/postsolve" >/dev/null || status=$?
  if ((status != 0)); then echo "run.sh: postsolve exited with status $status on this input" >&2; exit 1; fi
  report=$(ls -- *.rpt)
  report_bytes=$(stat -c %s "$report")
  bin_bytes=$(stat -c %s dravfile.bin)
  for f in dravfile.bin dravfile.sol dravfile.stk "$report"; do
    bytes=$(stat -c %s "$f")
    printf '%-28s %10.1f MB  (%d bytes)\n' "size of $f" "$(mb "$bytes")" "$bytes"
  done
  floor_once >/dev/null

  # Alternated, so that a passing load weighs on both alike.
  : >"$work/post"
  : >"$work/floor.t"
  for ((i = 0; i < runs; ++i)); do
    post_once >>"$work/post"
    floor_once >>"$work/floor.t"
  done
  wall=$(awk '{ print $1 }' "$work/post" | median)
  cpu=$(awk '{ print $2 }' "$work/post" | median)
  rss=$(awk '{ print $3 }' "$work/post" | median)
  rss_max=$(awk '{ print $3 }' "$work/post" | sort -g | tail -1)
  sys=$(awk '{ print $4 }' "$work/post" | median)
  faults=$(awk '{ print $5 }' "$work/post" | median)
  floor=$(median <"$work/floor.t")
  goal_mib=$(calc "1.25 * $bin_bytes / 1048576 + 32")
  ratio=$(calc "$wall / $floor")

  printf '%-28s %10.3f s   (median of %d after a warm-up)\n' "postsolve wall" "$wall" "$runs"
  printf '%-28s %10.3f s   (user+sys; %.0f %% of the wall time: less means waiting for a core)\n' \
    "postsolve cpu" "$cpu" "$(calc "100 * $cpu / $wall")"
  printf '%-28s %10.3f s   (in the kernel; %.0f %% of the cpu time)\n' \
    "postsolve system time" "$sys" "$(calc "($cpu > 0 ? 100 * $sys / $cpu : 0)")"
  printf '%-28s %10.0f     (first touches of a page; with 4 KiB pages, %.1f MiB)\n' \
    "minor page faults" "$faults" "$(calc "$faults * 4 / 1024")"
  printf '%-28s %10.1f MiB (largest %.1f)  goal 1.25 x record file + 32 MiB = %.1f MiB: %s\n' \
    "peak resident memory" "$(calc "$rss / 1024")" "$(calc "$rss_max / 1024")" "$goal_mib" \
    "$(verdict "$rss_max / 1024 <= $goal_mib")"
  printf '%-28s %10.2f M non-zeros/s\n' "throughput" "$(calc "$nz / $wall / 1e6")"
  printf '%-28s %10.1f MB/s of report\n' "" "$(calc "$report_bytes / $wall / 1e6")"
  printf '%-28s %10.3f s   (copy record file + write %s bytes, median of %d)\n' "floor" "$floor" "$report_bytes" "$runs"
  printf '%-28s %10.2f     goal at most 3.0: %s\n' "postsolve / floor" "$ratio" "$(verdict "$ratio <= 3.0")"
  echo "phases through the library (median of $runs after a warm-up):"
  "$build/phases" "$runs" | sed 's/^/   /'
  kit_table
  echo
  cd "$work"

  [[ -n $first_wall ]] || { first_wall=$wall; first_cpu=$cpu; first_label=$nz; }
  last_wall=$wall
  last_cpu=$cpu
  last_label=$nz
done

if [[ $first_label != "$last_label" ]]; then
  growth=$(calc "$last_wall / $first_wall")
  printf '%-28s %10.2f     (%s / %s non-zeros) goal at most 11: %s\n' "growth of postsolve wall" "$growth" \
    "$last_label" "$first_label" "$(verdict "$growth <= 11")"
  printf '%-28s %10.2f     (the same in CPU time, steadier on a busy machine)\n' "growth of postsolve cpu" \
    "$(calc "($first_cpu > 0 ? $last_cpu / $first_cpu : 0)")"
fi
printf '%-28s %10d\n' "cores (nproc)" "$(nproc)"
printf '%-28s %s -> %s\n' "load average (1 min)" "$load0" "$(cut -d' ' -f1 /proc/loadavg)"
echo "The machine may be shared: the figures are indicative."
