#!/usr/bin/env bash
# The pipeline at scale on generated models: presolve's phases at each size
# and their growth, its peak memory beside the model's arrays and names, run
# on the smallest model (the share the solve leaves to the rest), postsolve on
# the largest model's own log against the I/O floor, and show.
#
# Usage: bench/pipeline.sh [BUILD_DIR [ENTRIES..]]
#   BUILD_DIR  holds postsolve, postsolve-kit, modelgen and readbench (default: build)
#   ENTRIES    model sizes in matrix entries (default 1000000 10000000)
# Environment:
#   BENCH_RUNS    timed presolve runs at each size (default 3)
#   BENCH_DIR     work directory, memory-backed (default /dev/shm/postsolve-pipeline.PID)
#   BENCH_BEFORE  another postsolve-kit build to time `presolve` with beside
#                 BUILD_DIR's, alternated (its median and the speed-up)
#   BENCH_SOLVE   seconds Clp may take on the largest reduced LP before
#                 postsolve is timed on what it ends with (default 20): the
#                 replay's work does not depend on the point being optimal
#
# presolve is `postsolve-kit presolve MODEL DIR --timings`: read, presolve,
# log and reduced LP, and the presolve's own parts, each the median of the
# runs; peak memory is the process's high-water mark. The model's arrays and
# names are as readbench counts them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000000 10000000)
runs=${BENCH_RUNS:-3}
work=${BENCH_DIR:-/dev/shm/postsolve-pipeline.$$}
for tool in postsolve postsolve-kit modelgen readbench; do
  [ -x "$build/$tool" ] || { echo "pipeline.sh: no $build/$tool; build the targets postsolve postsolve-kit modelgen readbench" >&2; exit 1; }
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "pipeline.sh: BENCH_RUNS must be a positive count" >&2; exit 1; }
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

calc() { awk "BEGIN { printf \"%.6f\\n\", $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# presolve_once KIT MODEL OUT: the --timings tables as "name wall peak" lines
# (names with blanks joined by '_'), the whole command's wall time as "command".
presolve_once() {
  local t0=$EPOCHREALTIME
  rm -rf "$3"
  "$1" presolve "$2" "$3" --timings 2>&1 >/dev/null |
    awk '$1 == "phase" { next }
         $1 == "presolve" && $2 == "part" { part = "part:"; next }
         { n = NF - 3; name = part $1
           for (i = 2; i <= n; ++i) if ($i !~ /^\(/) name = name "_" $i
           print name, $(NF - 2), $NF }'
  echo "command $(calc "$EPOCHREALTIME - $t0") 0"
}

declare -A first_phase
first_entries=
for entries in "${sizes[@]}"; do
  dir=$work/$entries
  mkdir -p "$dir"
  model=$dir/model.mps
  "$build/modelgen" "$entries" "$model" >/dev/null
  # the number before the label "model-bytes", wherever readbench puts it
  model_bytes=$("$build/readbench" ours "$model" | awk '{ for (i = 2; i <= NF; ++i) if ($i == "model-bytes") print $(i - 1) }')
  [ -n "$model_bytes" ] || { echo "pipeline.sh: readbench gave no model-bytes for $model" >&2; exit 1; }
  echo "== $entries entries: $(stat -c %s "$model" | awk '{ printf "%.0f MB", $1 / 1e6 }') of free MPS," \
    "$(calc "$model_bytes / 1048576" | awk '{ printf "%.0f", $1 }') MiB of arrays and names"
  : >"$work/ours"; : >"$work/before"
  for ((r = 0; r < runs; ++r)); do
    presolve_once "$build/postsolve-kit" "$model" "$dir/out" | sed "s/^/$r /" >>"$work/ours"
    if [ -n "${BENCH_BEFORE:-}" ]; then  # an older kit may have no --timings
      rm -rf "$dir/before"
      t0=$EPOCHREALTIME
      "$BENCH_BEFORE" presolve "$model" "$dir/before" >/dev/null
      echo "command $(calc "$EPOCHREALTIME - $t0")" >>"$work/before"
      rm -rf "$dir/before"
    fi
  done
  printf '  %-28s %9s %9s %10s\n' "presolve phase" "wall s" "peak MiB" "growth"
  # Each phase's median over the runs, in the order the tables list them.
  awk '!seen[$2]++ { print $2 }' "$work/ours" | while read -r name; do
    wall=$(awk -v n="$name" '$2 == n { print $3 }' "$work/ours" | median)
    peak=$(awk -v n="$name" '$2 == n { print $4 }' "$work/ours" | sort -g | tail -1)
    growth=-
    if [ -n "$first_entries" ]; then
      before=$(grep -m1 "^$name " "$work/first" | awk '{ print $2 }' || true)
      [ -z "$before" ] || growth=$(calc "($before > 0 ? $wall / $before : -1)" | awk '{ print $1 < 0 ? "-" : sprintf("%.1fx", $1) }')
    fi
    printf '  %-28s %9.3f %9s %10s\n' "${name//_/ }" "$wall" "$( [ "$name" = command ] && echo - || echo "$peak")" "$growth"
    echo "$name $wall" >>"$work/this"
  done
  peak=$(awk '$2 == "total" { print $4 }' "$work/ours" | sort -g | tail -1)
  printf '  %-28s %9.2f x the arrays and names (goal at most 3)\n' "peak memory" "$(calc "$peak * 1048576 / $model_bytes")"
  if [ -n "${BENCH_BEFORE:-}" ]; then
    ours=$(awk '$2 == "command" { print $3 }' "$work/ours" | median)
    theirs=$(awk '{ print $2 }' "$work/before" | median)
    printf '  %-28s %9.3f s, ours %.3f s: %.2fx faster\n' "presolve with BENCH_BEFORE" "$theirs" "$ours" "$(calc "$theirs / $ours")"
  fi
  if [ -z "$first_entries" ]; then
    first_entries=$entries
    mv "$work/this" "$work/first"
    # run on the smallest model: how much of it the solve leaves to the rest
    rm -rf "$dir/run"
    "$build/postsolve-kit" run "$model" "$dir/run" --timings 2>&1 >/dev/null |
      awk '$1 == "presolve" && $2 == "part" { exit } { print }' | sed 's/^/  run: /' | tee "$work/run"
    total=$(awk '$2 == "total" { print $3 }' "$work/run")
    solve=$(awk '$2 == "solve" { print $3 }' "$work/run")
    printf '  %-28s %9.1f %% of run (goal under 25 %%)\n' "all but the solve" "$(calc "100 * ($total - $solve) / $total")"
  else
    rm -f "$work/this"
  fi
  last_dir=$dir
done

# postsolve on the largest model's own log, beside the floor: copying the
# record file and writing a file the size of the report
out=$last_dir/out
"$build/postsolve-kit" solve "$out" --time-limit "${BENCH_SOLVE:-20}" >/dev/null 2>&1 || true
[ -f "$out/dravfile.sol" ] || { echo "pipeline.sh: no solution file in $out" >&2; exit 1; }
(cd "$out" && "$build/postsolve" >/dev/null) || { echo "pipeline.sh: postsolve failed on $out" >&2; exit 1; }
report_bytes=$(stat -c %s "$out"/*.rpt)
: >"$work/post"; : >"$work/floor"
# The floor is noisy on a shared machine: at least seven alternations.
for ((r = 0; r < (runs < 7 ? 7 : runs); ++r)); do
  t0=$EPOCHREALTIME
  (cd "$out" && "$build/postsolve" >/dev/null)
  calc "$EPOCHREALTIME - $t0" >>"$work/post"
  t0=$EPOCHREALTIME
  cp "$out/dravfile.bin" "$work/copy.bin"
  dd if=/dev/zero of="$work/report" bs=1M count="$report_bytes" iflag=count_bytes status=none
  calc "$EPOCHREALTIME - $t0" >>"$work/floor"
  rm -f "$work/copy.bin" "$work/report"
done
post=$(median <"$work/post")
floor=$(median <"$work/floor")
printf '%-30s %9.3f s, floor %.3f s: %.2f x (goal at most 2.5)\n' "postsolve on the ${sizes[-1]} log" "$post" "$floor" \
  "$(calc "$post / $floor")"
t0=$EPOCHREALTIME
"$build/postsolve-kit" show "$out" -o "$work/show.svg" >/dev/null
printf '%-30s %9.3f s, %s bytes of SVG\n' "show on the ${sizes[-1]} log" "$(calc "$EPOCHREALTIME - $t0")" "$(stat -c %s "$work/show.svg")"
printf '%-30s %s\n' "cores (nproc)" "$(nproc)"
