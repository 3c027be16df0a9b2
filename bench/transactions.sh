#!/bin/bash
# A run as one transaction, at scale: kills at random moments during `run` on
# a large generated model, full disks at several sizes, and eight concurrent
# runs with mixed options into one directory. After each, DIR must hold one
# whole result (its report is what the postsolve program writes from the log
# and solution beside it, problem.json names the same problem, and verify
# passes against that model), or the earlier one; the run after them all
# leaves nothing of theirs behind. Prints what each kind of trial left.
#
#   bench/transactions.sh BUILD [ENTRIES] [KILLS]
#
# BUILD holds postsolve, postsolve-kit and modelgen (cmake --build BUILD
# --target modelgen). ENTRIES defaults to 1000000, KILLS to 12. Works in a
# directory under /dev/shm (or TMPDIR) that it removes.
set -euo pipefail
build=$(cd "${1:?usage: bench/transactions.sh BUILD [ENTRIES] [KILLS]}" && pwd)
entries=${2:-1000000}
kills=${3:-12}
kit=$build/postsolve-kit
post=$build/postsolve
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/transactions.XXXXXX")
trap 'rm -rf "$work"' EXIT
dir=$work/out
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Two models of different names: GENA, and GENB at half the size.
"$build/modelgen" "$entries" "$work/a.mps" >/dev/null
"$build/modelgen" $((entries / 2)) "$work/b0.mps" >/dev/null
sed '1s/^NAME .*/NAME GENB FREE/' "$work/b0.mps" >"$work/b.mps"
sed -i '1s/^NAME .*/NAME GENA FREE/' "$work/a.mps"
rm "$work/b0.mps"

# whole: DIR holds one whole result. Prints its problem's name.
whole() {
  local reports report name copy
  reports=$(cd "$dir" && ls -- *.rpt 2>/dev/null | wc -l)
  [ "$reports" = 1 ] || { echo "reports: $reports"; return 1; }
  report=$(cd "$dir" && ls -- *.rpt)
  name=${report%.rpt}
  copy=$work/copy
  rm -rf "$copy" && mkdir "$copy"
  cp "$dir/dravfile.sol" "$dir/dravfile.stk" "$dir/dravfile.bin" "$copy/"
  (cd "$copy" && "$post" >/dev/null 2>&1) || { echo "postsolve fails on the copy"; return 1; }
  cmp -s "$copy/$report" "$dir/$report" || { echo "the report is not the replay's of the files beside it"; return 1; }
  grep -q "\"log_name\": \"$name\"" "$dir/problem.json" || { echo "problem.json is of another problem"; return 1; }
  local model=$work/a.mps
  [ "$name" = GENB ] && model=$work/b.mps
  "$kit" verify "$model" "$dir" >/dev/null 2>&1 || { echo "verify fails against $model"; return 1; }
  echo "$name"
}

snapshot() { (cd "$dir" && find . -type f | sort | xargs sha256sum); }

# Whole results of each model, and how long a run of each takes.
seconds() {
  local start
  start=$(date +%s.%N)
  "$kit" run "$1" "$dir" --no-polish >/dev/null 2>&1 || fail "a first run of $1"
  whole >/dev/null || fail "the first result of $1"
  echo "$(date +%s.%N) - $start" | bc
}
timeB=$(seconds "$work/b.mps")
timeA=$(seconds "$work/a.mps")
echo "model GENA: $entries entries ($(du -h "$work/a.mps" | cut -f1)), run takes ${timeA} s;" \
  "GENB: $((entries / 2)) entries, ${timeB} s"

# Kills: SIGKILL at a moment spread over 1.1 times the run, models alternating.
earlier=0 newer=0 midswap=0 previous=GENA
RANDOM=20261209
for ((i = 0; i < kills; i++)); do
  model=$work/b.mps runtime=$timeB
  [ $((i % 2)) = 1 ] && model=$work/a.mps runtime=$timeA
  moment=$(echo "scale=3; $runtime * 1.1 * $RANDOM / 32767" | bc)
  (timeout -s KILL "$moment" "$kit" run "$model" "$dir" --no-polish >/dev/null 2>&1 || true) 2>/dev/null
  if [ -e "$dir/dravfile.sol" ]; then
    if name=$(whole); then
      if [ "$name" = "$previous" ]; then earlier=$((earlier + 1)); else newer=$((newer + 1)); fi
      previous=$name
    else
      fail "kill $i at ${moment} s: $name"
    fi
  elif [ -e "$dir/.postsolve.swap" ]; then
    midswap=$((midswap + 1))  # between the journal and its last rename: the next run finishes it
    previous=
  else
    fail "kill $i at ${moment} s: no solution and no journal"
  fi
done
echo "kills: $kills; the earlier result kept $earlier, the new one $newer, a swap left to finish $midswap"

# Full disks: a file-size limit at several sizes (KiB) stops the run, which
# fails and leaves DIR as it was, byte for byte.
"$kit" run "$work/b.mps" "$dir" --no-polish >/dev/null 2>&1 || fail "the run before the full disks"
before=$(snapshot)
full=0
for limit in 64 1024 8192 32768; do
  if (ulimit -f "$limit"; exec "$kit" run "$work/a.mps" "$dir" --no-polish) >/dev/null 2>"$work/err"; then
    echo "note: a limit of $limit KiB let the run through"
  else
    grep -q "keeps its earlier result" "$work/err" || fail "full disk at $limit KiB: $(cat "$work/err")"
    [ "$(snapshot)" = "$before" ] || fail "full disk at $limit KiB changed DIR"
    full=$((full + 1))
  fi
done
echo "full disks: $full failed runs, DIR unchanged after each"

# Eight runs at once with mixed options: none fails, DIR ends whole.
pids=()
options=("run $work/a.mps $dir --no-polish" "run $work/b.mps $dir --only none --no-polish"
  "run $work/a.mps $dir --skip DUPCOL --no-polish" "presolve $work/b.mps $dir"
  "run $work/b.mps $dir" "run $work/a.mps $dir --only NULROW,FIXCOL --no-polish"
  "run $work/b.mps $dir --pass-limit 1 --no-polish" "run $work/a.mps $dir --no-polish")
for ((i = 0; i < ${#options[@]}; i++)); do
  # shellcheck disable=SC2086
  "$kit" ${options[$i]} >/dev/null 2>"$work/err$i" &
  pids+=($!)
done
concurrent=0
for ((i = 0; i < ${#pids[@]}; i++)); do
  if wait "${pids[$i]}"; then concurrent=$((concurrent + 1)); else fail "concurrent: ${options[$i]}: $(cat "$work/err$i")"; fi
done
if [ -e "$dir/dravfile.sol" ]; then
  whole >/dev/null || fail "DIR after the concurrent runs"
fi
echo "concurrent runs: $concurrent of ${#options[@]} succeeded"

# What the dead runs left goes with the next run.
"$kit" run "$work/a.mps" "$dir" --no-polish >/dev/null 2>&1 || fail "the last run"
whole >/dev/null || fail "the last run's result"
left=$(cd "$dir" && ls -A | grep -v -x -e GENA.rpt -e dravfile.bin -e dravfile.sol -e dravfile.stk \
  -e basis.bas -e problem.json -e reduced.mps || true)
[ -z "$left" ] || fail "left after the last run: $left"
[ -z "$(ls -A "$work" | grep -e '^out\.' -e '\.postsolve' || true)" ] || fail "temporaries beside DIR"
echo "after the last run: DIR holds its result and nothing else"
echo "failures: $failures"
[ "$failures" = 0 ]
