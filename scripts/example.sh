#!/usr/bin/env bash
# Builds postsolve and runs it on the bundled example; shows the log and the report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target postsolve -j"$(nproc)" >/dev/null
rm -rf out/example && mkdir -p out/example
cp examples/bakery/dravfile.sol examples/bakery/dravfile.stk examples/bakery/dravfile.bin out/example/
cd out/example
../../build/postsolve
cat ./*.rpt
