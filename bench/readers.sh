#!/usr/bin/env bash
# Times model-file reading: our readers beside CoinUtils' (CoinMpsIO, CoinLpIO)
# on the same generated models, fixed MPS, free MPS, gzipped free MPS and LP.
#
# Usage: bench/readers.sh [BUILD_DIR [ENTRIES..]]
#   BUILD_DIR  holds readbench and postsolve-kit (default: build)
#   ENTRIES    model sizes in matrix entries (default 1000000 10000000)
# Environment:
#   BENCH_RUNS  timed runs of each reader on each file (default 5, alternated)
#   BENCH_DIR   work directory, memory-backed (default /dev/shm/postsolve-readers.PID)
#   BENCH_KITS  "NAME=KIT ..." other postsolve-kit builds to time
#               `presolve MODEL DIR --only none` with, beside BUILD_DIR's
#
# Each line: the file, its size, each reader's median seconds (as the reader
# times itself) and memory (the process's peak resident memory less what it
# held before the read), our speed-up, and our memory over the model's arrays
# and names. Then the gzipped file decompressed alone by zlib and by ISA-L
# (median seconds), and, for each kit,
# `presolve --only none` on the free MPS file: the median wall time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000000 10000000)
runs=${BENCH_RUNS:-5}
work=${BENCH_DIR:-/dev/shm/postsolve-readers.$$}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
[ -x "$build/readbench" ] || { echo "readers.sh: no $build/readbench; build the target readbench" >&2; exit 1; }

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# run READER FILE: "seconds KiB model-bytes" of one read
run() {
  local out
  out=$("$build/readbench" "$1" "$2" 2>/dev/null) || { echo "fail 0 0"; return; }
  awk '{print $3, $(NF-1) - $(NF-3), $(NF-5)}' <<<"$out"
}

for entries in "${sizes[@]}"; do
  dir=$work/$entries
  mkdir -p "$dir"
  echo "== $("$build/readbench" write "$dir" "$entries")"
  printf '%-20s %9s %9s %9s %8s %10s %10s %10s\n' file MB ours_s coin_s speedup ours_MiB coin_MiB mem/model
  for file in model.mps model.free.mps model.free.mps.gz model.lp; do
    : >"$work/ours"; : >"$work/coin"
    for _ in $(seq "$runs"); do
      run ours "$dir/$file" >>"$work/ours"
      run coin "$dir/$file" >>"$work/coin"
    done
    os=$(awk '{print $1}' "$work/ours" | median); om=$(awk '{print $2}' "$work/ours" | median)
    cs=$(awk '{print $1}' "$work/coin" | median); cm=$(awk '{print $2}' "$work/coin" | median)
    bytes=$(awk '{print $3}' "$work/ours" | median)
    mb=$(stat -c %s "$dir/$file" | awk '{printf "%.1f", $1/1048576}')
    if [ "$cs" = fail ]; then
      speed="refused"; cs="-"; cm="-"
    else
      speed=$(awk -v c="$cs" -v o="$os" 'BEGIN {printf "%.1fx", c/o}')
    fi
    printf '%-20s %9s %9s %9s %8s %10.0f %10s %10.2f\n' "$file" "$mb" "$os" "$cs" "$speed" "$(awk -v k="$om" 'BEGIN{print k/1024}')" \
      "$( [ "$cm" = - ] && echo - || awk -v k="$cm" 'BEGIN{printf "%.0f", k/1024}')" "$(awk -v k="$om" -v b="$bytes" 'BEGIN{print k*1024/b}')"
  done
  # Decompressing alone: zlib against ISA-L, which our reader uses.
  : >"$work/inflate"
  for _ in $(seq "$runs"); do "$build/readbench" inflate "$dir/model.free.mps.gz" >>"$work/inflate"; done
  echo "model.free.mps.gz decompressed alone: zlib $(awk '{print $4}' "$work/inflate" | median) s, ISA-L $(awk '{print $7}' "$work/inflate" | median) s"
  for kit in "this=$build/postsolve-kit" ${BENCH_KITS:-}; do
    name=${kit%%=*}; exe=${kit#*=}
    : >"$work/kit"
    for _ in $(seq "$runs"); do
      rm -rf "$dir/out"
      /usr/bin/time -f "%e %M" "$exe" presolve "$dir/model.free.mps" "$dir/out" --only none >/dev/null 2>>"$work/kit.err" ||
        { echo "presolve failed with $exe" >&2; cat "$work/kit.err" >&2; exit 1; }
      tail -n 1 "$work/kit.err" >>"$work/kit"
    done
    echo "presolve --only none, $name kit: $(awk '{print $1}' "$work/kit" | median) s, $(awk '{print $2}' "$work/kit" | median | awk '{printf "%.0f", $1/1024}') MiB peak"
  done
done
echo "cores: $(nproc)"
