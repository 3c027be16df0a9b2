#!/usr/bin/env bash
# The Debian package as CPack makes it from a build:
#   tests/debpackage.sh BUILD_DIR [PYTHON_SITE_DIR PYTHON]
# runs `cpack -G DEB` on BUILD_DIR into a scratch directory, checks the
# package's control fields and that it holds what `cmake --install` installs
# (the Python module moved to Debian's python3/dist-packages, plus the
# copyright file), then extracts it (never installs it) and runs the extracted
# postsolve on examples/bakery (report byte for byte), postsolve-kit run on
# finnis, and, when the module was built (PYTHON_SITE_DIR), imports it.
source "$(dirname "$0")/common.sh"
build=$(cd "$1" && pwd)
pydir=${2:-}
python=${3:-python3}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
debs=("$work"/pkg/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "cpack made: ${debs[*]}"
deb=${debs[0]}
version=$("$build/postsolve" --version)
version=${version#postsolve }
arch=$(dpkg --print-architecture)
[[ $(basename "$deb") == "postsolve_${version}_${arch}.deb" ]] || fail "package file $(basename "$deb")"

# ---- control fields ----
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == postsolve ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version), the programs say $version"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture: $(field Architecture)"
[[ $(field Section) == math ]] || fail "Section: $(field Section)"
[[ $(field Maintainer) =~ ^.+\ \<[^@\ ]+@[^@\ ]+\>$ ]] || fail "Maintainer: $(field Maintainer)"
[[ $(field Description) == *postsolve-kit* ]] || fail "Description: $(field Description)"
depends=", $(field Depends),"
# The run-time libraries the kit links, by the Debian packages that hold them.
want=(coinor-libclp1 coinor-libcoinutils3v5 libstdc++6)
[[ -n $pydir ]] && want+=(python3 python3-numpy)
for p in "${want[@]}"; do
  [[ $depends == *", $p "* || $depends == *", $p,"* ]] || fail "Depends lacks $p: $depends"
done
for lib in $(ldd "$build/postsolve-kit" | awk '/libClp|libCoinUtils/ {print $3}'); do
  owner=$(dpkg -S "$(readlink -f "$lib")" | cut -d: -f1)
  [[ $depends == *", $owner "* || $depends == *", $owner,"* ]] || fail "Depends lacks $owner, which holds $lib"
done

# ---- files: what cmake --install gives, in Debian's places ----
cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f | sed 's|^\./|./usr/|') >"$work/want"
if [[ -n $pydir ]]; then
  sed -i "s|^\./usr/$pydir/|./usr/lib/python3/dist-packages/|" "$work/want"
fi
echo ./usr/share/doc/postsolve/copyright >>"$work/want"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$work/have"
sort -o "$work/want" "$work/want"
diff "$work/want" "$work/have" >"$work/diff" || fail "package files differ from the install (< install, > package):
$(cat "$work/diff")"
for f in bin/postsolve bin/postsolve-kit include/postsolve/postsolve.h lib/cmake/postsolve/postsolveConfig.cmake \
    lib/pkgconfig/postsolve.pc share/man/man1/postsolve.1 share/man/man1/postsolve-kit.1 \
    share/doc/postsolve/LICENSE share/doc/postsolve/NOTICE; do
  grep -qx "./usr/$f" "$work/have" || fail "package lacks /usr/$f"
done
[[ $(grep -c '^\./usr/lib/libpostsolve_.*\.a$' "$work/have") -ge 10 ]] || fail "static libraries: $(grep '\.a$' "$work/have")"
[[ -z $pydir ]] || grep -q '^\./usr/lib/python3/dist-packages/postsolve/_core\..*\.so$' "$work/have" ||
  fail "package lacks the Python module"

# ---- the extracted programs ----
dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr
grep -q '^License: MIT$' "$usr/share/doc/postsolve/copyright" || fail "copyright names no MIT licence"
mkdir "$work/bakery"
cp "$root"/examples/bakery/dravfile.* "$work/bakery/"
(cd "$work/bakery" && "$usr/bin/postsolve" >"$work/bakery.log") || fail "extracted postsolve failed"
cmp -s "$work/bakery/bakery.rpt" "$root/examples/bakery/expected.report" || fail "extracted postsolve's report differs"
"$usr/bin/postsolve-kit" run "$finnis" "$work/finnis" >"$work/finnis.log" || fail "extracted postsolve-kit run failed"
[[ -f $work/finnis/FINNIS.rpt ]] || fail "extracted postsolve-kit run left no report"
[[ $("$usr/bin/postsolve-kit" --version) == "postsolve-kit $version" ]] || fail "extracted postsolve-kit --version"
if [[ -n $pydir ]]; then
  PYTHONPATH=$usr/lib/python3/dist-packages "$python" - "$usr" "$root/examples/bakery" "$version" <<'PY' ||
import sys
import postsolve
usr, bakery, version = sys.argv[1:]
assert postsolve.__file__.startswith(usr), postsolve.__file__
assert postsolve.__version__ == version, postsolve.__version__
s = postsolve.replay(bakery)
assert (s.name, s.objective, len(s.x)) == ("bakery", -333.1875, 12), (s.name, s.objective, len(s.x))
PY
    fail "the extracted Python module failed"
fi
echo "Debian package: control fields, files, extracted programs${pydir:+ and Python module} all good"
