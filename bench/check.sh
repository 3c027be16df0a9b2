#!/usr/bin/env bash
# The benchmark generator's promises on small sizes:
#   check.sh BIN_DIR [CHECK_DIR]
# BIN_DIR holds postsolve and mkbench, CHECK_DIR benchcheck (default BIN_DIR).
# Every input must run through postsolve with status 0 and nothing on
# standard error, and pass benchcheck; the same arguments must give the same
# bytes and another seed other bytes; bad arguments must be refused.
set -euo pipefail
bin=$(cd "$1" && pwd)
chk=$(cd "${2:-$1}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "check.sh: $*" >&2; exit 1; }

# Shapes: the benchmark's own (half as many rows as columns), square, wide,
# tall, very sparse, dense, and the smallest allowed.
n=0
for shape in "2000 4000 40000 1" "3000 3000 60000 7" "1000 8000 24000 3" "6000 1200 30000 11" \
             "1500 3000 3000 2" "400 300 30000 5" "20 20 20 4" "20 40 200 9"; do
  read -r rows cols nz seed <<<"$shape"
  d=$tmp/$((n += 1))
  mkdir "$d"
  "$bin/mkbench" "$d" "$rows" "$cols" "$nz" "$seed" >/dev/null
  status=0
  (cd "$d" && "$bin/postsolve" >stdout 2>stderr) || status=$?
  ((status == 0)) || fail "$shape: postsolve exited with status $status: $(cat "$d/stderr")"
  [[ ! -s $d/stderr ]] || fail "$shape: postsolve wrote to standard error: $(cat "$d/stderr")"
  grep -q 'report file name' "$d/stdout" || fail "$shape: postsolve named no report"
  "$chk/benchcheck" "$d" || fail "$shape: benchcheck failed"
done

# Reproducible: the same arguments give the same bytes, another seed others.
mkdir "$tmp/a" "$tmp/b" "$tmp/c"
"$bin/mkbench" "$tmp/a" 1000 2000 20000 5 >/dev/null
"$bin/mkbench" "$tmp/b" 1000 2000 20000 5 >/dev/null
"$bin/mkbench" "$tmp/c" 1000 2000 20000 6 >/dev/null
for f in dravfile.bin dravfile.sol dravfile.stk; do
  cmp -s "$tmp/a/$f" "$tmp/b/$f" || fail "$f differs between two runs with the same arguments"
done
! cmp -s "$tmp/a/dravfile.bin" "$tmp/c/dravfile.bin" || fail "seeds 5 and 6 give the same record file"

# Refused: too few rows, fewer entries than columns, more than a quarter of
# the matrix, a malformed number, a missing argument.
for args in "19 40 100" "40 40 39" "40 40 401" "40 4O 100" "40 40"; do
  status=0
  "$bin/mkbench" "$tmp/a" $args 2>/dev/null >/dev/null || status=$?
  ((status == 2)) || fail "mkbench DIR $args exited with status $status, not 2"
done
echo "check.sh: all generator checks passed"
