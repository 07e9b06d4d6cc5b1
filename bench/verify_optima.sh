#!/usr/bin/env bash
# Runs the exact searches (dynamic programming and branch-and-bound) on the small data
# sets of the shared benchmark folder under BIC and BDeu (ESS 1), with no parent limit,
# and compares each optimum with the exact value its MANIFEST lists ("computed here
# (exact, no parent limit)"). Prints one line per data set and search, with wall times.
#
# Usage: bench/verify_optima.sh [BINARY] [DATADIR]
set -u
bin=${1:-build/bnsl}
data=${2:-../shared/data}
bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sets="cancer-cl_10000 earthquake-cl_10000 survey-cl_10000 learningtest_5000 iris_150 car_1728
asia_5000 asia_10000 asia-cl_10000 nursery_12960 tictactoe_958 breastw_683 sachs-cl_10000"

run() {  # data-set, algorithm, extra option line -> "score seconds"
  printf 'inputfile=%s\nalgorithm=%s\nverbose=0\nseed=1\n%s\n' "$data/$1.dat" "$2" "$3" >"$work/o"
  local start end
  start=$(date +%s.%N)
  (cd "$work" && timeout 600 "$bin" o >out 2>err)
  end=$(date +%s.%N)
  local score; score=$(awk '/^score /{print $2}' "$work/out")
  printf '%s %.2f' "${score:-none}" "$(awk -v a="$start" -v b="$end" 'BEGIN{print b-a}')"
}

for set in $sets; do
  row=$(grep "^| $set.dat" "$data/MANIFEST.md")
  bic=$(echo "$row" | grep -o 'no parent limit): BIC [-0-9.]*' | awk '{print $NF}')
  bdeu=$(echo "$row" | grep -o 'no parent limit): BIC [-0-9.]*; BDeu(ESS 1) [-0-9.]*' | awk '{print $NF}')
  for algorithm in 1 0; do
    read -r got_bic t_bic <<<"$(run "$set" "$algorithm" "#bic=")"
    read -r got_bdeu t_bdeu <<<"$(run "$set" "$algorithm" "alpha=1")"
    verdict() { [ "$1" = "$2" ] && echo ok || echo "DIFFERS (want $2)"; }
    echo "$set algorithm=$algorithm BIC $got_bic $(verdict "$got_bic" "$bic") ${t_bic}s |" \
         "BDeu $got_bdeu $(verdict "$got_bdeu" "$bdeu") ${t_bdeu}s"
  done
done
