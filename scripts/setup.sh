#!/usr/bin/env bash
# Installs what the build needs on a fresh Debian machine, if it is missing,
# and the packages given as arguments (which the caller found missing).
set -euo pipefail
missing=("$@")
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v make >/dev/null || missing+=(make)
command -v ninja >/dev/null || missing+=(ninja-build)  # the test script's builds
[ -e /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
[ -e /usr/include/CLI/CLI.hpp ] || missing+=(libcli11-dev)
[ -e /usr/include/nlohmann/json.hpp ] || missing+=(nlohmann-json3-dev)
[ -e /usr/include/isa-l/igzip_lib.h ] || missing+=(libisal-dev)  # gzipped model files, read
[ -e /usr/include/zlib.h ] || missing+=(zlib1g-dev)  # and written by the tests and the benchmark
[ -x /usr/bin/time ] || missing+=(time)  # the benchmark reads peak memory with it
command -v pkg-config >/dev/null || missing+=(pkgconf)  # the installed-package test
# Model files and the sample models the tests use, the LP solver, more examples.
[ -e /usr/include/coin/CoinMpsIO.hpp ] && [ -e /usr/share/coin/Data/Sample/afiro.mps ] || missing+=(coinor-libcoinutils-dev)
[ -e /usr/include/coin/ClpSimplex.hpp ] || missing+=(coinor-libclp-dev)
# Clp's own command-line program: a warm start from the basis files run writes, checked by another reader.
command -v clp >/dev/null || missing+=(coinor-clp)
[ -d /usr/share/doc/glpk-utils/examples ] || missing+=(glpk-utils)
# The Python module: pybind11, Debian's interpreter with its headers and numpy.
[ -e /usr/include/pybind11/pybind11.h ] || missing+=(pybind11-dev)
compgen -G "/usr/include/python3*/Python.h" >/dev/null || missing+=(python3-dev)
/usr/bin/python3 -c "import numpy" 2>/dev/null || missing+=(python3-numpy)
# The Debian package: its run-time dependencies (dpkg-shlibdeps); the man
# pages' rendering check (groff).
command -v dpkg-shlibdeps >/dev/null || missing+=(dpkg-dev)
command -v groff >/dev/null || missing+=(groff-base)
# pip install . (docs/pip.md, tests/pip.sh): pip, venv, setuptools and wheel from Debian.
/usr/bin/python3 -c "import pip" 2>/dev/null || missing+=(python3-pip)
/usr/bin/python3 -c "import ensurepip" 2>/dev/null || missing+=(python3-venv)  # venv puts pip in with it
/usr/bin/python3 -c "import setuptools" 2>/dev/null || missing+=(python3-setuptools)
/usr/bin/python3 -c "import wheel" 2>/dev/null || missing+=(python3-wheel)
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
