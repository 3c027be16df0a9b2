#!/usr/bin/env bash
# The warm-start figures of docs/kit.md ("Bases, warm starts and polish"):
# for each sample model, run's exit status, the iterations Clp takes from the
# postsolved point's statuses, and a start from the basis.bas run writes
# beside a cold solve, through our bridge and through Clp's own program.
#   scripts/warmstart.sh BUILD [SCRATCH]
set -euo pipefail
kit=$1/postsolve-kit
work=${2:-$(mktemp -d)}
mkdir -p "$work"
samples=/usr/share/coin/Data/Sample
glpk=/usr/share/doc/glpk-utils/examples
command -v clp >/dev/null || { echo "warmstart.sh: needs Clp's program (coinor-clp)" >&2; exit 1; }
models=()
for m in afiro atm_5_10_1 brandy e226 exmip1 finnis hello lseu nw460 p0033 p0201 p0548 pack1 retail3 scOneInt \
         tp3 tp4 tp5 wedding_16; do models+=("$samples/$m.mps"); done
models+=("$glpk/samp1.mps" "$glpk/samp2.mps" "$glpk/wolfra6d.lp")
# CoinUtils refuses the comment fields of these; glpsol writes them as free MPS.
for m in alloy furnace icecream plan; do
  glpsol --mps "$glpk/$m.mps" --wfreemps "$work/$m.mps" >/dev/null
  models+=("$work/$m.mps")
done
iterations() { grep -o "[0-9]* iterations" | grep -o "^[0-9]*" | tail -1; }
printf "%-12s %4s %10s %11s %11s %9s %9s\n" model exit from-point bridge-warm bridge-cold clp-warm clp-cold
for f in "${models[@]}"; do
  m=$(basename "${f%.*}")
  status=0
  "$kit" run "$f" "$work/$m" >"$work/$m.out" 2>&1 || status=$?
  point=$(grep -o "): status [0-9] [a-z]*, [0-9]* iterations" "$work/$m.out" | iterations || true)
  "$kit" presolve --only none "$f" "$work/$m-none" >/dev/null 2>&1
  warm=$("$kit" solve "$work/$m-none" --basis "$work/$m/basis.bas" 2>/dev/null | iterations || true)
  cold=$("$kit" solve "$work/$m-none" 2>/dev/null | iterations || true)
  clpwarm=$(clp "$f" -presolve off -basisI "$work/$m/basis.bas" -primalS 2>&1 | iterations || true)
  clpcold=$(clp "$f" -presolve off -primalS 2>&1 | iterations || true)
  printf "%-12s %4s %10s %11s %11s %9s %9s\n" "$m" "$status" "$point" "$warm" "$cold" "$clpwarm" "$clpcold"
done
