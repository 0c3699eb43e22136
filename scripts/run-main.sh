#!/usr/bin/env bash
# Starts the main job of a build folder: the demo application's window when it
# has been built, otherwise the benchmark suite of the library built so far.
set -euo pipefail
BUILD=${1:-build}
if [ -x "$BUILD/app/vendari" ]; then
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    # The Makefile defaults to the offscreen platform for the tests; a desktop shows the window.
    if [ "${QT_QPA_PLATFORM:-}" = offscreen ]; then unset QT_QPA_PLATFORM; fi
    exec "$BUILD/app/vendari"
  fi
  # No display: the window opens offscreen and the run ends after a while.
  SECONDS_TO_RUN=${VD_RUN_SECONDS:-10}
  echo "No display: the demo window runs offscreen for ${SECONDS_TO_RUN} s."
  export QT_QPA_PLATFORM=offscreen
  status=0
  timeout --preserve-status -s TERM "$SECONDS_TO_RUN" "$BUILD/app/vendari" || status=$?
  # Ended by the time limit (SIGTERM) is the expected end of an offscreen run.
  if [ "$status" -eq 0 ] || [ "$status" -eq 143 ]; then
    echo "The demo window started and ran without errors."
    exit 0
  fi
  exit "$status"
fi
echo "The demo application is not built yet; running the library benchmarks."
exec bash "$(dirname "$0")/run-bench.sh" "$BUILD"
