#!/usr/bin/env bash
# Builds and runs every test twice: optimised, and with the address and
# undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DPOSTSOLVE_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
