#!/usr/bin/env bash
# Configures and builds the program and its tests in build/ (extra arguments go
# to the CMake configure step, e.g. -DMETRINO_SITE=http://127.0.0.1:8080).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
cmake -S . -B build "$@"
cmake --build build --parallel "$(nproc)"
