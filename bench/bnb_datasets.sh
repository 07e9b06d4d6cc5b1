#!/usr/bin/env bash
# Exact branch-and-bound (algorithm=0) from data on the small-medium and medium data sets
# of the shared folder (n 14 to 40, MANIFEST's size classes), BIC with at most 3 parents
# per variable (the limit of the peer-timed caches): return code, wall time, iterations,
# peak memory, the network found and the bound still open, and the optimum the MANIFEST
# states for "BIC, max 3 parents" where it states one.
#
# Usage: bench/bnb_datasets.sh BINARY [DATADIR] [MINUTES]
#   DATADIR defaults to ../shared/data (relative to the repository), MINUTES (the time
#   limit of each search) to 1.
set -u
bin=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath "${2:-$here/../shared/data}")
minutes=${3:-1}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
sets="wine_178 adult_30162 nltcs_3236 letter_20000 msnbc_58265 zoo_101 voting_435 hepatitis_126
child_5000 child-cl_10000 autos_159 sensors_5456 mushroom_8124 parkinsons_195 insurance_1000
insurance_20000 insurance-cl_10000 horse_300 steel_1941 flag_194 wdbc_569 water_1000
water-cl_10000 mildew_1000 soybean_266 alarm_100 alarm_1000 alarmbin_1000 alarm_10000
alarm_20000 alarm-cl_10000 bands_277"

printf '%-20s %4s %8s %9s %7s %-34s %s\n' "data set" ret seconds iter peakMB \
  "bbscore (<= open bound)" "stated optimum"
for set in $sets; do
  printf 'inputfile=%s\noutputfile=%s/out\nalgorithm=0\nverbose=0\nseed=1\nglobalmaxparents=3\nmaxminutes=%s\n' \
    "$dir/$set.dat" "$scratch" "$minutes" >"$scratch/options"
  rm -f "$scratch/out"
  start=$(date +%s.%N)
  /usr/bin/time -f '%M' -o "$scratch/rss" "$bin" "$scratch/options" >/dev/null 2>"$scratch/err"
  code=$?
  secs=$(echo "$(date +%s.%N) - $start" | bc)
  iter=$(awk '$1 == "iter" {print $2}' "$scratch/out" 2>/dev/null)
  score=$(awk '$1 == "bbscore" {print $2}' "$scratch/out" 2>/dev/null)
  bound=$(sed -n 's/^Total of .*(bound=\([^)]*\)).*/\1/p' "$scratch/err")
  rss=$(tail -n 1 "$scratch/rss" | awk '{printf "%.0f", $1 / 1024}')
  result=${score:--}
  if [ "$code" != 0 ] && [ -n "$bound" ]; then result="$result <= $bound"; fi
  stated=$(grep "^| $set.dat " "$dir/MANIFEST.md" | grep -o 'BIC, max 3 parents: [-0-9.]*' | awk '{print $NF}')
  printf '%-20s %4s %8.2f %9s %7s %-34s %s\n' "$set" "$code" "$secs" "${iter:--}" "$rss" "$result" \
    "${stated:--}"
done
