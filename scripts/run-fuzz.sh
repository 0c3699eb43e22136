#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a number of seconds each,
# starting from its checked-in corpus. New inputs and crash artifacts go to a
# work folder, never into fuzz/corpus/: a crasher worth keeping is copied there
# by hand so the corpus replay test keeps it.
set -uo pipefail
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-30}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=${FUZZ_WORK:-$(mktemp -d "${TMPDIR:-/tmp}/vd-fuzz.XXXXXX")}
export QT_QPA_PLATFORM=offscreen
failed=()
shopt -s nullglob
for bin in "$BUILD"/fuzz/fuzz_*; do
  [[ -x $bin && -f $bin ]] || continue
  name=$(basename "$bin")
  mkdir -p "$WORK/$name/new" "$WORK/$name/artifacts"
  echo "== $name: ${SECONDS_EACH}s"
  # The first folder receives new inputs; the repository corpus is only read.
  if ! "$bin" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$WORK/$name/artifacts/" "$WORK/$name/new" "$ROOT/fuzz/corpus/$name" \
      >"$WORK/$name/log" 2>&1; then
    failed+=("$name")
    tail -n 40 "$WORK/$name/log"
  fi
  grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$WORK/$name/log" | tr '\n' ' '
  echo
done
echo "work folder: $WORK"
if ((${#failed[@]})); then
  echo "fuzz targets that found a fault: ${failed[*]} (inputs in $WORK/<target>/artifacts)"
  exit 1
fi
