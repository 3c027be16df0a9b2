"""python3 -m postsolve [--version] MODEL [DIR]: the whole pipeline on MODEL
(presolve into DIR, solve with Clp, replay, report, verify), printing what
`postsolve-kit run` prints. Exit status 0 verified, 1 an input could not be
read or an output written, 2 bad arguments, 3 a measure outside its tolerance.
"""
import argparse
import sys

import postsolve


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="python3 -m postsolve",
        description="The whole pipeline on one model: presolve MODEL into DIR, solve the reduced LP "
        "with Clp, replay the log into the report, verify against MODEL.")
    parser.add_argument("--version", action="version", version=f"postsolve {postsolve.__version__}")
    parser.add_argument("model", metavar="MODEL", help="model file")
    parser.add_argument("dir", metavar="DIR", nargs="?", default=".", help="directory to write into (default .)")
    args = parser.parse_args(argv)
    try:
        result = postsolve.run(args.model, args.dir)
    except postsolve.Error as e:
        print(f"postsolve: {e}", file=sys.stderr)
        return 1
    for note in result.notes:
        print(f"postsolve: note: {note}", file=sys.stderr)
    for warning in result.warnings:
        print(f"postsolve: warning: {warning}", file=sys.stderr)
    sys.stdout.write(result.text)
    return 0 if result.passed else 3


if __name__ == "__main__":
    sys.exit(main())
