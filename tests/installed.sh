#!/usr/bin/env bash
# The installed package as a user meets it:
#   tests/installed.sh BUILD_DIR [PYTHON_SITE_DIR PYTHON]
# installs BUILD_DIR into a scratch prefix, checks what landed there, builds
# tests/consumer against it with find_package and with pkg-config and runs
# both on examples/bakery (report byte for byte as the program's) and the
# whole pipeline on finnis (objective and verification), then, when
# the Python module was built (PYTHON_SITE_DIR, relative to the prefix),
# imports it from the prefix and compares it with postsolve-kit export.
source "$(dirname "$0")/common.sh"
build=$(cd "$1" && pwd)
pydir=${2:-}
python=${3:-python3}
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/postsolve bin/postsolve-kit; do [[ -x $prefix/$f ]] || fail "$f was not installed"; done
headers=$(cd "$prefix/include" && find . -type f | sort | tr '\n' ' ')
want="./postsolve/basis.h ./postsolve/check.h ./postsolve/error.h ./postsolve/logwriter.h ./postsolve/model.h ./postsolve/postsolve.h"
want+=" ./postsolve/presolve.h ./postsolve/run.h ./postsolve/solve.h ./postsolve/terms.h ./postsolve/timing.h ./postsolve/version.h "
[[ $headers == "$want" ]] ||
  fail "installed headers are: $headers"
version=$("$prefix/bin/postsolve-kit" --version)
[[ $version =~ ^postsolve-kit\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "postsolve-kit --version printed '$version'"

# Runs one consumer build on the example and checks what it gives.
run_consumer() {
  local exe=$1 out=$work/out-$2
  mkdir -p "$out"
  "$exe" "$root/examples/bakery" "$out" "$finnis" "$out/finnis" >"$out/stdout" || fail "$2 consumer failed"
  grep -qx "bakery optimal -333.1875 8 12" "$out/stdout" || fail "$2 consumer printed: $(cat "$out/stdout")"
  cmp -s "$out/bakery.rpt" "$root/examples/bakery/expected.report" || fail "$2 consumer's report differs"
  grep -qx "pair x 1 0 z -0 1 version ${version#postsolve-kit }" "$out/stdout" ||
    fail "$2 consumer's own log: $(grep pair "$out/stdout")"
  # The whole pipeline on finnis: presolve, Clp, replay, report, verify.
  grep -qx "run FINNIS 172791.0655956 verified" "$out/stdout" || fail "$2 consumer's run: $(grep run "$out/stdout")"
  [[ -f $out/finnis/FINNIS.rpt && -f $out/finnis/reduced.mps ]] || fail "$2 consumer's run left no report"
}

cmake -S "$root/tests/consumer" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
run_consumer "$work/cmake/consumer" cmake

pcdir=$(dirname "$(find "$prefix" -name postsolve.pc)")
flags=$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs postsolve)
# shellcheck disable=SC2086
c++ -std=c++17 "$root/tests/consumer/main.cpp" -o "$work/pc-consumer" $flags
run_consumer "$work/pc-consumer" pkg-config

if [[ -n $pydir ]]; then
  cases=("$root/examples/bakery" "$root"/tests/lp/*/)
  PYTHONPATH=$prefix/$pydir "$python" "$root/tests/python/check_module.py" "$prefix/bin/postsolve-kit" \
    "$work/py" "${cases[@]}"
  PYTHONPATH=$prefix/$pydir "$python" "$root/tests/python/check_pipeline.py" "$prefix/bin/postsolve-kit" \
    "$work/pipeline" "$finnis"
  PYTHONPATH=$prefix/$pydir "$python" "$root/tests/python/check_inputs.py" "$work/inputs" "$finnis"
  PYTHONPATH=$prefix/$pydir "$python" "$root/tests/python/check_basis.py" "$prefix/bin/postsolve-kit" \
    "$work/basis" "$(dirname "$finnis")"
else
  echo "installed.sh: the Python module was not built; not checked"
fi
echo "installed package: programs, headers, CMake and pkg-config consumers${pydir:+, Python module} all good"
