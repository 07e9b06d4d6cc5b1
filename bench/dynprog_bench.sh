#!/usr/bin/env bash
# Runs the dynamic-programming benchmark on the score files of 10 to 20 variables (up
# to 27 with --large), one process per case, and shows beside each result the optimum
# and the peer dynamic-programming time listed in the caches' README, when it has them.
# Usage: bench/dynprog_bench.sh [BUILD_DIR] [--large]   (default build-bench, from `make bench`)
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-bench}
large=${2:-}
data=$here/../../shared/data  # here is bench/
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

# Whole runs from the data sets of 10 to 20 variables (cache construction included, at
# most 3 parents as in the score files):
# wall seconds and peak resident memory of the process, and the optimum printed.
bin=$(cd "$here/.." && pwd)/build/bnsl
[ -x "$build/bnsl" ] && bin=$build/bnsl
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for f in "$data"/*.dat; do
  n=$(head -1 "$f" | awk '{print $2}')
  if [ "$n" -lt 10 ] || [ "$n" -gt 20 ]; then continue; fi
  printf 'inputfile=%s\nalgorithm=1\nverbose=-1\nglobalmaxparents=3\n' "$f" >"$scratch/options"
  /usr/bin/time -f "%e %M" -o "$scratch/time" timeout 300 "$bin" "$scratch/options" >"$scratch/out" 2>/dev/null
  read -r wall peak <"$scratch/time"
  printf '%-24s n=%2d %s wall=%ss peak=%.0fMB\n' "$(basename "$f")" "$n" \
    "$(grep '^dynprog ' "$scratch/out")" "$wall" "$(echo "$peak / 1024" | bc -l)"
done
