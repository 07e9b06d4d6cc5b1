#!/usr/bin/env bash
# Exact branch-and-bound (algorithm=0) on the peer-timed score caches: wall time to the
# proved optimum, iterations per second and peak memory, beside the optimum and the
# peer times listed in the caches' README.
#
# Usage: bench/bnb_caches.sh BINARY [CACHEDIR] [MINUTES]
#   CACHEDIR defaults to ../shared/data/caches (relative to the repository), MINUTES
#   (the per-file time limit) to 10. Files are run smallest first.
set -u
bin=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath "${2:-$here/../shared/data/caches}")
minutes=${3:-10}
readme="$dir/README.md"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Column of the README table for a file: 4 optimum, 5 A*, 6 BFBnB, 7 ILP.
peer() { awk -F'|' -v f="$1" -v c="$2" '$2 ~ " "f" " {gsub(/^ +| +$/, "", $(c+2)); print $(c+2)}' "$readme"; }

printf '%-32s %4s %8s %9s %10s %8s %-40s %s\n' file ret seconds iter iter/s peakMB \
  "bbscore(optimum) or bbscore<=bound" "peers A*/BFBnB/ILP"
for f in $(ls -S -r "$dir"/*.jkl); do
  name=$(basename "$f")
  cat >"$scratch/options" <<OPT
inputfile=$f
outputfile=$scratch/out
algorithm=0
verbose=0
maxminutes=$minutes
OPT
  start=$(date +%s.%N)
  /usr/bin/time -f '%M' -o "$scratch/rss" "$bin" "$scratch/options" >/dev/null 2>"$scratch/err"
  code=$?
  end=$(date +%s.%N)
  secs=$(echo "$end - $start" | bc)
  iter=$(awk '$1 == "iter" {print $2}' "$scratch/out")
  score=$(awk '$1 == "bbscore" {print $2}' "$scratch/out")
  rss=$(tail -n 1 "$scratch/rss" | awk '{printf "%.0f", $1 / 1024}')
  rate=$(echo "scale=0; ${iter:-0} / ($secs + 0.001)" | bc)
  optimum=$(peer "$name" 4)
  # A search stopped at its limit reports the bound still open instead of a verdict.
  bound=$(sed -n 's/^Total of .*(bound=\([^)]*\)).*/\1/p' "$scratch/err")
  result="${score:--} <= ${bound:--} (optimum $optimum)"
  if [ "$code" = 0 ] && [ -n "$score" ] && [ -n "$optimum" ]; then
    verdict=$(awk -v a="$score" -v b="$optimum" 'BEGIN {d = a - b; if (d < 0) d = -d; print (d <= 1e-5) ? "=" : "DIFFERS"}')
    result="$score($verdict)"
  fi
  printf '%-32s %4s %8.2f %9s %10s %8s %-40s %s/%s/%s\n' "$name" "$code" "$secs" "${iter:--}" "$rate" \
    "$rss" "$result" "$(peer "$name" 5)" "$(peer "$name" 6)" "$(peer "$name" 7)"
done
