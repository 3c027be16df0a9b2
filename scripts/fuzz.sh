#!/usr/bin/env bash
# Fuzzes whole runs (or, with FUZZ_TARGET, the kit's readers or the case
# parser) for a number of seconds and prints the figures.
# Installs what the fuzzer needs if it is missing (clang, its libFuzzer and
# sanitizer runtimes), builds the target and postsolve-kit in build-fuzz/, builds the
# seeds, then runs under nice with the limits every input must meet: one
# second (-timeout=1) and 64 MiB for any single allocation (-malloc_limit_mb=64).
#
# Usage: scripts/fuzz.sh [SECONDS] [CORPUS_DIR]
#   SECONDS     fuzzing time, default 60
#   CORPUS_DIR  working corpus, kept between runs; default build-fuzz/corpus-TARGET.
#               The seeds, the target's saved corpus, fuzz/corpus and
#               fuzz/regressions are read as well.
# Anything found is written to build-fuzz/artifacts/ and the script fails.
# Extra libFuzzer flags may be given in FUZZ_FLAGS.
#   FUZZ_TARGET=fuzz_replay  whole runs of the postsolver (the default)
#   FUZZ_TARGET=fuzz_kit     dump, summary, check and export on the same inputs;
#                            its own finds are kept in fuzz/corpus-kit
#   FUZZ_TARGET=fuzz_case    the case parser; its inputs are case texts, kept in
#                            fuzz/corpus-case
#   FUZZ_TARGET=fuzz_model   the model-file readers and writers; its inputs are a
#                            format byte and a model file, kept in fuzz/corpus-model
#
#        scripts/fuzz.sh merge [CORPUS_DIR]
#   Rebuilds the target's committed corpus (fuzz/corpus for fuzz_replay), minimised, from itself, the seeds and
#   the working corpus: the smallest set of inputs of at most 4 KiB keeping all
#   their features, plus any larger input that reaches code none of them does.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=run
if [ "${1:-}" = merge ]; then
  mode=merge
  shift
  set -- 0 "$@"
fi
secs=${1:-60}
target=${FUZZ_TARGET:-fuzz_replay}
case $target in
  fuzz_replay) saved=fuzz/corpus ;;
  fuzz_kit) saved=fuzz/corpus-kit ;;
  fuzz_case) saved=fuzz/corpus-case ;;
  fuzz_model) saved=fuzz/corpus-model; regressions=fuzz/regressions-model ;;
  *) echo "fuzz.sh: unknown FUZZ_TARGET '$target'" >&2; exit 2 ;;
esac
corpus=${2:-build-fuzz/corpus-$target}
# Inputs of the record-file targets; the model target keeps its own.
shared=(fuzz/corpus "${regressions:-fuzz/regressions}")
[ "$target" = fuzz_model ] && shared=("$regressions")

missing=()
command -v clang++ >/dev/null || missing+=(clang)
command -v python3 >/dev/null || missing+=(python3)
compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null ||
  missing+=(libclang-rt-14-dev)
scripts/setup.sh "${missing[@]}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPOSTSOLVE_FUZZ=ON -DPOSTSOLVE_TESTS=OFF -DPOSTSOLVE_BENCH=OFF >/dev/null
nice -n 10 cmake --build build-fuzz -j2 --target "$target" postsolve-kit >/dev/null
rm -rf build-fuzz/seeds
if [ "$target" = fuzz_case ]; then
  mkdir -p build-fuzz/seeds
  cp fuzz/cases/*.case examples/*/*.case tests/cases/*.case build-fuzz/seeds/
elif [ "$target" = fuzz_model ]; then
  # Small sample models, each read the four ways (the first byte picks the reader).
  mkdir -p build-fuzz/seeds
  for f in /usr/share/coin/Data/Sample/*.mps /usr/share/doc/glpk-utils/examples/*.mps tests/model/files/*; do
    [ -f "$f" ] && [ "$(stat -c %s "$f")" -le 16384 ] || continue
    for b in 0 1 2 3; do
      { printf "\\$(printf %o $b)"; cat "$f"; } >"build-fuzz/seeds/$b-$(basename "$f")"
    done
  done
else
  fuzz/seeds.sh build-fuzz/seeds build-fuzz/postsolve-kit
fi
mkdir -p "$corpus" build-fuzz/artifacts "$saved" "${shared[@]}"
# Absolute paths: the target changes its working directory when it starts.
corpus=$(realpath "$corpus")
top=$(pwd)

fuzzer=$top/build-fuzz/$target  # absolute: a merge runs it again by this name
# The target's scratch directories go here, removed whatever way the run ends.
POSTSOLVE_FUZZ_DIR=$(mktemp -d /dev/shm/postsolve-fuzz-run-XXXXXX)
export POSTSOLVE_FUZZ_DIR
trap 'rm -rf "$POSTSOLVE_FUZZ_DIR" ${work:+"$work"}' EXIT

if [ "$mode" = merge ]; then
  work=$(mktemp -d)
  mkdir "$work/small" "$work/new"
  find "$top/$saved" "$corpus" "$top/build-fuzz/seeds" -type f -size -4097c \
    -exec cp {} "$work/small/" \;
  nice -n 10 "$fuzzer" -set_cover_merge=1 "$work/new" "$work/small" 2>&1 | grep MERGE-OUTER | tail -n 1
  nice -n 10 "$fuzzer" -merge=1 -use_counters=0 "$work/new" "$top/$saved" "$corpus" \
    "$top/build-fuzz/seeds" 2>&1 | grep MERGE-OUTER | tail -n 1
  rm -rf "${top:?}/$saved"
  cp -r "$work/new" "$top/$saved"
  echo "$saved: $(find "$saved" -type f | wc -l) inputs, $(du -sb "$saved" | cut -f1) bytes"
  exit 0
fi

log=build-fuzz/$target-$(date +%Y%m%d-%H%M%S).log
echo "fuzzing for $secs s; log in $log"
status=0
# shellcheck disable=SC2086
nice -n 10 "$fuzzer" -timeout=1 -malloc_limit_mb=64 -rss_limit_mb=2048 \
  -max_len=16384 -max_total_time="$secs" -print_final_stats=1 \
  -artifact_prefix="$top/build-fuzz/artifacts/" ${FUZZ_FLAGS:-} \
  "$corpus" "$top/build-fuzz/seeds" "$top/$saved" "${shared[@]/#/$top/}" >"$log" 2>&1 || status=$?

# The figures: the last status line (coverage, features, corpus), then the totals.
grep -E '^#[0-9]+' "$log" | tail -n 1
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|slowest_unit_time_sec|peak_rss_mb)' "$log"
grep -E '^Done [0-9]+ runs' "$log" || true
findings=$(grep -cE 'ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error:|property broken|ALARM|out-of-memory|deadly signal' "$log" || true)
echo "findings: $findings; exit status $status"
ls build-fuzz/artifacts/ 2>/dev/null | sed 's/^/artifact: /'
exit "$status"
