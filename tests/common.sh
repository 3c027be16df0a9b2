# What the shell tests of the installed package share, sourced by each:
# `root` (the source tree), `work` (a scratch directory removed at exit),
# `fail` (one line naming the script, exit 1) and the sample model `finnis`.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$(basename "$0"): $*" >&2; exit 1; }
finnis=/usr/share/coin/Data/Sample/finnis.mps
