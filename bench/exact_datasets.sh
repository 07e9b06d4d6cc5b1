#!/usr/bin/env bash
# The exact searches from data (BIC, at most 3 parents per variable) on the larger data
# sets of the shared folder: return code, wall and processor seconds (cache
# construction included), tree nodes, cluster cuts, peak memory, the score and, for a
# run stopped at its limit, the bound and the gap reached.
#
# Usage: bench/exact_datasets.sh BINARY [DATADIR] [ALGORITHM] [MINUTES] [SETS...]
#   DATADIR defaults to ../shared/data (relative to the repository), ALGORITHM to 10,
#   MINUTES (the search's limit) to 10; SETS default to the five of the exact-search
#   issue.
set -u
bin=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath "${2:-$here/../shared/data}")
algorithm=${3:-10}
minutes=${4:-10}
shift $(($# < 4 ? $# : 4))
sets=${*:-water-cl_10000 barley-cl_10000 hailfinder-cl_10000 hepar2-cl_10000 win95pts-cl_10000}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

printf '%-20s %3s %4s %8s %8s %7s %6s %7s %-34s %s\n' "data set" n ret wall cpu nodes cuts \
  peakMB "score (<= bound)" gap%
for set in $sets; do
  printf 'inputfile=%s\noutputfile=%s/out\nalgorithm=%s\nverbose=1\nseed=1\nglobalmaxparents=3\nmaxminutes=%s\n' \
    "$dir/$set.dat" "$scratch" "$algorithm" "$minutes" >"$scratch/options"
  rm -f "$scratch/out"
  start=$(date +%s.%N)
  /usr/bin/time -f '%M %U %S' -o "$scratch/rss" "$bin" "$scratch/options" >/dev/null 2>"$scratch/err"
  code=$?
  wall=$(echo "$(date +%s.%N) - $start" | bc)
  read -r rss user sys < <(tail -n 1 "$scratch/rss")
  n=$(sed -n 's/^\[info\] #variables=\([0-9]*\)/\1/p' "$scratch/err")
  score=$(awk '$1 == "ilpscore" || $1 == "dynprog" {print $2}' "$scratch/out" 2>/dev/null)
  nodes=$(awk '$1 == "iter" {print $2}' "$scratch/out" 2>/dev/null)
  gap=$(awk '$1 == "gap" {print $2}' "$scratch/out" 2>/dev/null)
  cuts=$(sed -n 's/.*cluster cuts \([0-9]*\),.*/\1/p' "$scratch/err" | tail -1)
  bound=$(sed -n 's/^Best found .*bound = \[\(.*\)\]/\1/p' "$scratch/err")
  result=${score:--}
  if [ -n "$bound" ]; then result="$result <= $bound"; fi
  printf '%-20s %3s %4s %8.2f %8.2f %7s %6s %7.0f %-34s %s\n' "$set" "${n:--}" "$code" "$wall" \
    "$(echo "$user + $sys" | bc)" "${nodes:--}" "${cuts:--}" "$(echo "$rss / 1024" | bc)" \
    "$result" "${gap:--}"
done
