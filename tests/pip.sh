#!/usr/bin/env bash
# The Python package as pip installs it:
#   tests/pip.sh PYTHON [BUILD_DIR]
# makes a virtual environment of PYTHON (with its system packages: numpy),
# runs `pip install --no-build-isolation --no-index` on this source tree in
# it, and checks the installed package: imported from the environment, the
# version CMakeLists.txt gives, postsolve.run on finnis, `python -m postsolve`;
# then `pip wheel` and the wheel's contents, and that neither left files in
# the source tree. With BUILD_DIR, setup.py takes the module from that CMake
# build (POSTSOLVE_BUILD_DIR) instead of building its own, which takes minutes.
source "$(dirname "$0")/common.sh"
python=$1
build=${2:+$(cd "$2" && pwd)}
version=$(sed -n 's/^project(postsolve VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' "$root/CMakeLists.txt")
[[ -n $version ]] || fail "no version in CMakeLists.txt"

# What a build could leave in the source tree: setuptools' staging and
# metadata, a module copied in place.
leftovers() {
  find "$root" "$root/python" "$root/python/postsolve" "$root/build" -maxdepth 1 \
    \( -name '*.egg-info' -o -name 'lib.*' -o -name 'bdist.*' -o -name 'temp.*' -o -name '_core*' \) \
    2>/dev/null | sort || true
}
before=$(leftovers)
export PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_NO_INPUT=1
[[ -z $build ]] || export POSTSOLVE_BUILD_DIR=$build

"$python" -m venv --system-site-packages "$work/venv"
venv=$work/venv/bin
# --no-index: offline, numpy from the system's packages.
"$venv/pip" install --quiet --no-build-isolation --no-index "$root" >"$work/pip.log" 2>&1 ||
  fail "pip install failed: $(cat "$work/pip.log")"

# Everything from the environment, nothing from the source tree or a build.
cd "$work"
unset PYTHONPATH
"$venv/python" - "$work/venv" "$version" "$finnis" "$work/run" <<'PY' || fail "the installed package misbehaved"
import importlib.metadata, os, sys
import postsolve

venv, version, finnis, out = sys.argv[1:]
failures = []
def check(ok, what):
    if not ok:
        failures.append(what)

check(os.path.realpath(postsolve.__file__).startswith(os.path.realpath(venv)), f"imported from {postsolve.__file__}")
check(postsolve.__version__ == version, f"__version__ {postsolve.__version__}, CMakeLists.txt {version}")
check(importlib.metadata.version("postsolve") == version, f"pip's version {importlib.metadata.version('postsolve')}")
check(any(r.startswith("numpy") for r in importlib.metadata.requires("postsolve") or []), "numpy not required")
check(importlib.metadata.metadata("postsolve")["License"] == "MIT", "license not MIT")
# The names users meet, with the package's name on them.
missing = [n for n in ("Error", "Solution", "RunResult", "Model", "LogWriter", "replay", "replay_bytes", "check",
                       "verify", "read_model", "presolve", "solve", "run") if not hasattr(postsolve, n)]
check(not missing, f"missing {missing}")
check(postsolve.Error.__module__ == postsolve.Solution.__module__ == "postsolve", f"{postsolve.Error!r}")
result = postsolve.run(finnis, out)
check(abs(result.objective - 172791.0655956) <= 1e-9 * 172791.0655956, f"finnis objective {result.objective!r}")
check(result.passed is True and result.solution.x.shape == (614,), "finnis not verified")
if failures:
    print("pip.sh:", *failures, sep="\n  ", file=sys.stderr)
    sys.exit(1)
PY

# python -m postsolve: the version, the pipeline, its exit statuses.
said=$("$venv/python" -m postsolve --version) || fail "python -m postsolve --version failed"
[[ $said == "postsolve $version" ]] || fail "python -m postsolve --version printed '$said'"
"$venv/python" -m postsolve "$finnis" "$work/cli" >"$work/cli.out" || fail "python -m postsolve on finnis failed"
grep -qx "objective, minimised, constant 0: 172791.0655956116" "$work/cli.out" ||
  fail "python -m postsolve on finnis printed: $(cat "$work/cli.out")"
[[ -f $work/cli/FINNIS.rpt ]] || fail "python -m postsolve left no report"
status=0
"$venv/python" -m postsolve "$work/missing.mps" "$work/cli" 2>"$work/cli.err" || status=$?
[[ $status == 1 ]] && grep -q "missing.mps" "$work/cli.err" ||
  fail "python -m postsolve on a missing model: status $status, $(cat "$work/cli.err")"

# pip wheel: one wheel for this interpreter, with the package and its metadata.
"$venv/pip" wheel --quiet --no-build-isolation --no-index --no-deps -w "$work/wheels" "$root" >"$work/wheel.log" 2>&1 ||
  fail "pip wheel failed: $(cat "$work/wheel.log")"
"$venv/python" - "$work/wheels" "$version" <<'PY' || fail "the wheel is wrong"
import os, sys, sysconfig, zipfile
wheels, version = sys.argv[1:]
names = os.listdir(wheels)
assert len(names) == 1 and names[0].startswith(f"postsolve-{version}-cp"), names
files = sorted(zipfile.ZipFile(os.path.join(wheels, names[0])).namelist())
want = {"postsolve/__init__.py", "postsolve/__main__.py",
        "postsolve/_core" + sysconfig.get_config_var("EXT_SUFFIX"), f"postsolve-{version}.dist-info/METADATA"}
assert want <= set(files), files
assert all(f.startswith(("postsolve/", f"postsolve-{version}.dist-info/")) for f in files), files
PY

after=$(leftovers)
[[ $before == "$after" ]] || fail "the builds left in the source tree: $(comm -13 <(echo "$before") <(echo "$after"))"
echo "pip package: installed, imported, run on finnis, python -m postsolve, wheel: all good"
