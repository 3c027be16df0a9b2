#!/usr/bin/env bash
# Builds a seed corpus for fuzz_replay from the checked-in inputs:
# le32(size of .sol) .sol le32(size of .stk) .stk .bin
# Usage: fuzz/seeds.sh CORPUS_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?corpus directory}
mkdir -p "$out"
for d in "$root"/tests/lp/*/ "$root"/examples/*/; do
  [ -e "$d/dravfile.bin" ] || continue
  python3 - "$d" "$out/$(basename "$d")" <<'PY'
import struct, sys
d, out = sys.argv[1], sys.argv[2]
parts = [open(d + "/dravfile." + e, "rb").read() for e in ("sol", "stk", "bin")]
with open(out, "wb") as f:
    f.write(struct.pack("<I", len(parts[0])) + parts[0] + struct.pack("<I", len(parts[1])) + parts[1] + parts[2])
PY
done
