#!/usr/bin/env bash
# Runs the dynamic-programming benchmark on the score files of 10 to 20 variables (all
# sizes up to 27 with --large), one process per case.
# Usage: bench/dynprog_bench.sh [BUILD_DIR] [--large]   (default build-bench, from `make bench`)
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-bench}
large=${2:-}
caches=/work/shared/data/caches
for f in "$caches"/*.jkl /work/shared/data/*.jkl; do
  n=$(head -1 "$f")
  if [ "$n" -ge 10 ] && { [ "$n" -le 20 ] || { [ "$large" = --large ] && [ "$n" -le 27 ]; }; }; then
    "$build/bench/dynprog_bench" "$f"
  fi
done
