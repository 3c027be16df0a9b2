#!/usr/bin/env bash
# Times postsolve on a large generated problem against a floor: copying the
# record file and writing a file the size of the report. Both run in a
# memory-backed directory so that disk writeback does not blur the figures.
# Usage: bench/run.sh [BUILD_DIR] [ROWS COLUMNS ENTRIES_PER_COLUMN]
set -euo pipefail
build=${1:-build}
shift || true
runs=5
work=${BENCH_DIR:-/dev/shm/postsolve-bench}
rm -rf "$work" && mkdir -p "$work/run" "$work/floor"
trap 'rm -rf "$work"' EXIT

"$build/mkbench" "$work/run" "$@"
cd "$work/run"

seconds() {  # wall-clock seconds of one command, to the millisecond
  local t0 t1
  t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

"$OLDPWD/$build/postsolve" >/dev/null  # warm-up; also tells the report's size
report=$(ls ./*.rpt)
report_bytes=$(stat -c %s "$report")
floor() {
  cp dravfile.bin "$work/floor/copy.bin"
  dd if=/dev/zero of="$work/floor/report" bs=1M count="$report_bytes" iflag=count_bytes status=none
}
floor

post=$(for _ in $(seq $runs); do seconds "$OLDPWD/$build/postsolve"; done | median)
base=$(for _ in $(seq $runs); do seconds floor; done | median)
rss=$( { /usr/bin/time -f %M "$OLDPWD/$build/postsolve" >/dev/null; } 2>&1 | tail -1)

printf 'record file     %10.1f MB\n' "$(echo "$(stat -c %s dravfile.bin) / 1000000" | bc -l)"
printf 'report          %10.1f MB\n' "$(echo "$report_bytes / 1000000" | bc -l)"
printf 'postsolve       %10.3f s   (median of %d)\n' "$post" "$runs"
printf 'floor           %10.3f s   (median of %d)\n' "$base" "$runs"
printf 'ratio           %10.2f\n' "$(echo "$post / $base" | bc -l)"
printf 'peak memory     %10.1f MB\n' "$(echo "$rss / 1024" | bc -l)"
