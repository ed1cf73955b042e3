#!/usr/bin/env bash
# Builds everything and prints what a user waits for (start-up against a bare
# Qt Widgets window, loading, a press, new preset rates, closing with a long
# list and a long PDF), each beside the bare model's figure; then the
# calculator's start-up, save and memory figures with a saved list. Arguments:
# the number of saved entries (default 50000) and of runs (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh
QT_QPA_PLATFORM=offscreen build/tests/benchmarks/metrino-rates-bench "${2:-5}"
QT_QPA_PLATFORM=offscreen build/tests/benchmarks/metrino-bench "$@"
