#!/usr/bin/env bash
# Runs the benchmark (see bench/bench.py): builds Zarnic! and the baseline into BUILD-bench,
# then measures both under a private Xvfb. Usage: bash bench/run.sh [BUILD] [bench.py options]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
# Debian's own interpreter, for which make deps installs the bench's modules (matplotlib); another
# python3 first on the PATH would not see them.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
exec "$python" -B bench/bench.py --build-dir "${build}-bench" "$@"
