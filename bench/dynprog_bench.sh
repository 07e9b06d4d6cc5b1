#!/usr/bin/env bash
# Runs the dynamic-programming benchmark on the score files of 10 to 20 variables (up
# to 27 with --large), one process per case, and shows beside each result the optimum
# and the peer dynamic-programming time listed in the caches' README, when it has them.
# Usage: bench/dynprog_bench.sh [BUILD_DIR] [--large]   (default build-bench, from `make bench`)
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-bench}
large=${2:-}
data=/work/shared/data
for f in "$data"/caches/*.jkl "$data"/*.jkl; do
  n=$(head -1 "$f")
  if [ "$n" -lt 10 ] || [ "$n" -gt 27 ] || { [ "$n" -gt 20 ] && [ "$large" != --large ]; }; then
    continue
  fi
  line=$("$build/bench/dynprog_bench" "$f" 2>/dev/null)
  peer=$(awk -F'|' -v name="$(basename "$f")" '$2 ~ "^ *" name " *$" {
           gsub(/ /, "", $6); gsub(/ /, "", $10); print "listed=" $6 " peerDP=" $10 }' \
         "$data/caches/README.md")
  echo "$line ${peer:-listed=- peerDP=-}"
done
