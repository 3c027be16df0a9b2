#!/usr/bin/env bash
# The README's quick starts, run as a reader would run them:
#   tests/readme.sh BUILD_DIR [PYTHON_SITE_DIR PYTHON]
# installs BUILD_DIR into a scratch prefix, then in a scratch directory (with
# build/ and examples/ where the README expects them) runs the command-line
# block line by line, compiles the C++ block against the installed package
# (pkg-config) and runs it, and runs the Python block with the installed module
# when it was built. Each must exit 0 and print what its comments promise.
source "$(dirname "$0")/common.sh"
build=$(cd "$1" && pwd)
pydir=${2:-}
python=${3:-python3}

# The fenced block of one kind that follows a heading of the README.
block() {
  awk -v heading="$1" -v fence="$2" '
    $0 == heading { inside = 1; next }
    inside && /^## / { exit }
    inside && $0 == "```" fence { copying = 1; next }
    copying && $0 == "```" { exit }
    copying { print }' "$root/README.md"
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
mkdir -p "$work/reader"
ln -s "$build" "$work/reader/build"
ln -s "$root/examples" "$work/reader/examples"
cd "$work/reader"

commands=$(block "## Quick start: the command line" sh)
[[ $(wc -l <<<"$commands") -ge 5 ]] || fail "the command-line quick start was not found"
while IFS= read -r line; do
  bash -c "set -e; $line" >"$work/out" 2>&1 || fail "exit $? from: $line
$(cat "$work/out")"
done <<<"$commands"
[[ -f out/bakery/bakery.rpt ]] && cmp -s out/bakery/bakery.rpt "$root/examples/bakery/expected.report" ||
  fail "the command line's bakery report is not the expected one"
[[ -f out/steps/AFIRO.rpt ]] || fail "the step-by-step pipeline left no report"
grep -q "^Subject To" out/afiro.lp || fail "convert wrote no LP file"
grep -q "^<svg" out/afiro.svg || fail "show drew no SVG"

block "## Quick start: C++" cpp >main.cpp
grep -q "int main" main.cpp || fail "the C++ quick start was not found"
pcdir=$(dirname "$(find "$work/prefix" -name postsolve.pc)")
# shellcheck disable=SC2046
c++ -std=c++17 main.cpp -o quick $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs postsolve) ||
  fail "the C++ quick start does not compile"
./quick >cpp.out || fail "the C++ quick start failed: $(cat cpp.out)"
grep -qx "172791.0655956 verified" cpp.out || fail "the C++ quick start printed: $(cat cpp.out)"
grep -q "^FINNIS optimal 614 columns" cpp.out || fail "the C++ quick start printed: $(cat cpp.out)"

if [[ -n $pydir ]]; then
  block "## Quick start: Python" python >quick.py
  grep -q "import postsolve" quick.py || fail "the Python quick start was not found"
  PYTHONPATH=$work/prefix/$pydir "$python" quick.py >py.out 2>&1 || fail "the Python quick start failed: $(cat py.out)"
  grep -qx "497 614 [0-9]*" py.out || fail "the Python quick start printed: $(cat py.out)"
  grep -q "^172791.0655956[0-9]* True$" py.out || fail "the Python quick start printed: $(cat py.out)"
  grep -q "^optimal \[.*\] True$" py.out || fail "the Python quick start printed: $(cat py.out)"
fi
echo "README quick starts: command line, C++${pydir:+, Python} all good"
