"""postsolve: read LP models, presolve them with a log, solve with Clp, replay
the log into the full solution, check and verify it; write presolve logs.

The functions and classes are those of the compiled module postsolve._core,
re-exported here; `python3 -m postsolve` runs the whole pipeline on one model.
"""
from . import _core
from ._core import *  # noqa: F401,F403 (every public name of the compiled module)
from ._core import __version__  # noqa: F401

__all__ = [name for name in dir(_core) if not name.startswith("_")]
