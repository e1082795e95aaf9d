#!/usr/bin/env bash
# Runs the benchmark (see bench/bench.py): builds Zarnic! and the baseline into BUILD-bench,
# then measures both under a private Xvfb. Usage: bash bench/run.sh [BUILD] [bench.py options]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
exec python3 -B bench/bench.py --build-dir "${build}-bench" "$@"
