#!/usr/bin/env bash
# Builds and runs every test twice: optimised, and with the address and
# undefined-behaviour sanitizers, warnings as errors. The optimised pass tries every damage
# position; the sanitizer pass, where each run costs tens of times more, a
# seeded sample of them (each test prints its seed): set
# POSTSOLVE_FULL_DAMAGE=1 to try them all there too, POSTSOLVE_DAMAGE_SEED=N
# to repeat a sample. The sanitizer build carries line tables only (-g1):
# enough for the sanitizers' reports, and much quicker to compile and link
# than full debug information. Each step's time goes to standard error.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)
# New build directories use Ninja (setup.sh installs it): it keeps both cores
# busy to the end of each build. An existing directory keeps its generator.
if [ -z "${CMAKE_GENERATOR:-}" ] && command -v ninja >/dev/null; then export CMAKE_GENERATOR=Ninja; fi
step() {
  local t0=$SECONDS
  "$@"
  echo "test.sh: $* took $((SECONDS - t0)) s" >&2
}
step cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPOSTSOLVE_WERROR=ON >/dev/null
step cmake --build build -j"$jobs"
step ctest --test-dir build --output-on-failure -j"$jobs"
step cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DPOSTSOLVE_SANITIZE=ON \
  -DPOSTSOLVE_WERROR=ON >/dev/null
step cmake --build build-sanitize -j"$jobs"
step ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
