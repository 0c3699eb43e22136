#!/usr/bin/env bash
# Runs the whole test suite of one build folder; services the tests need are
# started here on loopback and stopped on exit.
set -euo pipefail
BUILD=${1:-build}
export QT_QPA_PLATFORM=offscreen
cd "$BUILD"
ctest --output-on-failure --timeout 300 -j "$(nproc)"
