#!/usr/bin/env bash
# Runs every benchmark executable of a build folder.
set -euo pipefail
BUILD=${1:-build}
export QT_QPA_PLATFORM=offscreen
shopt -s nullglob
for b in "$BUILD"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
