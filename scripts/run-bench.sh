#!/usr/bin/env bash
# Runs every benchmark program (bench_*) found in BUILD_DIR/bench and prints its output.
# Usage: scripts/run-bench.sh BUILD_DIR [benchmark options...]
# Options after BUILD_DIR go to every program (e.g. --benchmark_filter=SaveAll).
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [benchmark options...]" >&2
  exit 2
fi
build_dir=$1
shift

shopt -s nullglob
programs=()
for program in "$build_dir"/bench/bench_*; do
  if [ -f "$program" ] && [ -x "$program" ]; then
    programs+=("$program")
  fi
done
if [ ${#programs[@]} -eq 0 ]; then
  echo "No bench_* programs in $build_dir/bench" >&2
  exit 1
fi

status=0
for program in "${programs[@]}"; do
  echo "== $(basename "$program")"
  "$program" "$@" || status=$?
  echo
done
exit $status
