"""Builds the Python package postsolve for the interpreter running pip.

python/postsolve/*.py go in as they are; the compiled module postsolve._core
is CMake's target postsolve_python, built in a scratch directory that is
removed afterwards. When POSTSOLVE_BUILD_DIR names an existing CMake build
directory of this source tree, the module is brought up to date there and
taken from it instead, which spares the whole build. The version is the one
on the project() line of CMakeLists.txt. setuptools' own staging goes to a
scratch directory too: the build leaves nothing in the source tree.
"""
import atexit
import os
import re
import shutil
import subprocess
import sysconfig
import sys
import tempfile
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent
SCRATCH = Path(tempfile.mkdtemp(prefix="postsolve-setup-"))
atexit.register(shutil.rmtree, SCRATCH, ignore_errors=True)


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    found = re.search(r"^project\(postsolve VERSION (\d+\.\d+\.\d+)\b", text, re.MULTILINE)
    if not found:
        sys.exit("setup.py: CMakeLists.txt has no line project(postsolve VERSION X.Y.Z ...)")
    return found.group(1)


def cache_entry(build, name):
    """The value of NAME in BUILD/CMakeCache.txt, or None."""
    try:
        text = (build / "CMakeCache.txt").read_text()
    except OSError:
        return None
    found = re.search(rf"^{re.escape(name)}:[A-Z]+=(.*)$", text, re.MULTILINE)
    return found.group(1) if found else None


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        given = os.environ.get("POSTSOLVE_BUILD_DIR")
        if given:
            build = Path(given).resolve()
            home = cache_entry(build, "CMAKE_HOME_DIRECTORY")
            if home is None:
                sys.exit(f"setup.py: POSTSOLVE_BUILD_DIR={given} ({build}) is not a CMake build directory")
            if Path(home).resolve() != ROOT:
                sys.exit(f"setup.py: POSTSOLVE_BUILD_DIR={given} builds {home}, not {ROOT}")
        else:
            build = SCRATCH / "cmake"
            configure = ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                         "-DPOSTSOLVE_TESTS=OFF", "-DPOSTSOLVE_BENCH=OFF", "-DPOSTSOLVE_PYTHON=ON",
                         f"-DPython3_EXECUTABLE={sys.executable}"]
            if "CMAKE_GENERATOR" not in os.environ and shutil.which("ninja"):
                configure += ["-G", "Ninja"]
            subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
        built = subprocess.run(["cmake", "--build", str(build), "--target", "postsolve_python", "-j", jobs])
        if built.returncode != 0:
            sys.exit(f"setup.py: the CMake build in {build} did not make the Python module; it needs "
                     f"pybind11-dev, python3-dev and numpy for {sys.executable} (scripts/setup.sh "
                     "installs them), and no sanitizers")
        # The module for this interpreter: built for another, its name has another suffix.
        module = build / "python" / "postsolve" / ("_core" + sysconfig.get_config_var("EXT_SUFFIX"))
        if not module.is_file():
            others = sorted(p.name for p in module.parent.glob("_core*"))
            sys.exit(f"setup.py: no {module} for {sys.executable}; the build has {others or 'none'} "
                     f"(built for Python {cache_entry(build, 'Python3_EXECUTABLE')})")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(module, target)


setup(
    version=project_version(),
    packages=["postsolve"],
    package_dir={"": "python"},
    ext_modules=[Extension("postsolve._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": str(SCRATCH / "build")}, "egg_info": {"egg_base": str(SCRATCH)}},
)
