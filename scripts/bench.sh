#!/usr/bin/env bash
# Builds everything and prints the calculator's start-up, save and memory
# figures beside those of a minimal Qt Widgets program. Arguments: the number
# of saved entries (default 50000) and of runs (default 5). Then how long the
# list takes to follow new preset rates.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh
QT_QPA_PLATFORM=offscreen build/tests/benchmarks/metrino-bench "$@"
QT_QPA_PLATFORM=offscreen build/tests/benchmarks/metrino-rates-bench "$@"
