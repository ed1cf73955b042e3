#!/usr/bin/env bash
# Builds the calculator and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh "$@"
exec build/app/metrino
