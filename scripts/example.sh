#!/usr/bin/env bash
# Builds postsolve and runs it on the bundled example (shows the log and the
# report); then runs the whole pipeline (presolve, solve, postsolve, verify)
# on the Netlib model finnis, which the set-up installs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target postsolve postsolve-kit -j"$(nproc)" >/dev/null
rm -rf out/example out/finnis && mkdir -p out/example
cp examples/bakery/dravfile.sol examples/bakery/dravfile.stk examples/bakery/dravfile.bin out/example/
(cd out/example && ../../build/postsolve && cat ./*.rpt)
echo
echo "== the whole pipeline on finnis: build/postsolve-kit run /usr/share/coin/Data/Sample/finnis.mps out/finnis"
build/postsolve-kit run /usr/share/coin/Data/Sample/finnis.mps out/finnis
