#!/usr/bin/env bash
# Builds the seed corpus for fuzz_replay: every text case in fuzz/cases/ and
# examples/, turned into the three files by `postsolve-kit pack`, plus the checked-in LP
# cases small enough to mutate quickly (16 KiB at most). Each seed is one file:
#   le32(size of .sol) .sol le32(size of .stk) .stk .bin
# Usage: fuzz/seeds.sh CORPUS_DIR [KIT]   (KIT defaults to build*/postsolve-kit)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: fuzz/seeds.sh CORPUS_DIR [KIT]}
kit=${2:-}
if [ -z "$kit" ]; then
  for m in "$root"/build/postsolve-kit "$root"/build-fuzz/postsolve-kit; do
    [ -x "$m" ] && { kit=$m; break; }
  done
fi
[ -x "$kit" ] || { echo "seeds.sh: no postsolve-kit; build it first (cmake --build build --target postsolve-kit)" >&2; exit 1; }
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# pack DIR NAME: the three files of DIR as one seed NAME in the corpus
pack() {
  python3 - "$1" "$out/$2" <<'PY'
import struct, sys
d, out = sys.argv[1], sys.argv[2]
sol, stk, bin_ = (open(d + "/dravfile." + e, "rb").read() for e in ("sol", "stk", "bin"))
with open(out, "wb") as f:
    f.write(struct.pack("<I", len(sol)) + sol + struct.pack("<I", len(stk)) + stk + bin_)
PY
}

n=0
for c in "$root"/fuzz/cases/*.case "$root"/examples/*/*.case; do
  name=$(basename "$c" .case)
  mkdir -p "$tmp/$name"
  "$kit" pack "$c" "$tmp/$name"
  pack "$tmp/$name" "case-$name"
  n=$((n + 1))
done
for d in "$root"/tests/lp/*/; do
  size=$(cat "$d"/dravfile.sol "$d"/dravfile.stk "$d"/dravfile.bin | wc -c)
  [ "$size" -le 16384 ] || continue
  pack "$d" "lp-$(basename "$d")"
  n=$((n + 1))
done
echo "seeds.sh: $n seeds in $out"
