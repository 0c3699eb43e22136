#!/usr/bin/env bash
# Starts the main job of a build folder: the demo application when it has been
# built, otherwise the benchmark suite of the library built so far.
set -euo pipefail
BUILD=${1:-build}
if [ -x "$BUILD/app/vendari" ]; then
  exec "$BUILD/app/vendari"
fi
echo "The demo application is not built yet; running the library benchmarks."
exec bash "$(dirname "$0")/run-bench.sh" "$BUILD"
