#!/usr/bin/env bash
# Builds everything and prints the calculator's start-up, save and memory
# figures beside those of a minimal Qt Widgets program. Arguments: the number
# of saved entries (default 50000) and of runs (default 5). Then, with the
# same number of runs, how long the presses, the loading and new preset rates
# hold up the list window.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh
QT_QPA_PLATFORM=offscreen build/tests/benchmarks/metrino-bench "$@"
QT_QPA_PLATFORM=offscreen build/tests/benchmarks/metrino-rates-bench "${2:-5}"
