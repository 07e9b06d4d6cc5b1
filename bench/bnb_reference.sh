#!/usr/bin/env bash
# Fixed-iteration branch-and-bound runs whose complete output (result block and every
# progress line) must not change when the per-node work is made cheaper: run once with
# the old binary into one directory, once with the new into another, and diff -r them.
#
# Usage: bench/bnb_reference.sh BINARY OUTDIR [DATADIR]
#   DATADIR defaults to ../shared/data (relative to the repository).
set -u
bin=$(realpath "$1")
out=$(realpath -m "$2")
here=$(cd "$(dirname "$0")/.." && pwd)
data=$(realpath "${3:-$here/../shared/data}")
mkdir -p "$out"

# name, input, then extra option lines separated by ';'
cases=(
  "voting|caches/voting_435_bic_p3.jkl|verbose=1;maxiter=300000"
  "voting_v3|caches/voting_435_bic_p3.jkl|verbose=3;maxiter=4000"
  "voting_arc|caches/voting_435_bic_p3.jkl|verbose=1;maxiter=100000;heuristictype=0"
  "voting_tw|caches/voting_435_bic_p3.jkl|verbose=3;maxiter=3000;maxtreewidth=2"
  "voting_mem|caches/voting_435_bic_p3.jkl|verbose=1;maxiter=60000;maxmem=3"
  "zoo|caches/zoo_101_bic_p3.jkl|verbose=1;maxiter=200000"
  "wine|caches/wine_178_bdeu10_p3.jkl|verbose=1;maxiter=100000"
  "hepatitis|caches/hepatitis_126_bic_p3.jkl|verbose=1;maxiter=200000"
  "child|caches/child_5000_bic_p3.jkl|verbose=1;maxiter=50000"
  "insurance_v3|caches/insurance-cl_10000_bic_p3.jkl|verbose=3;maxiter=3000"
  "asia|$here/examples/asia.dat|verbose=3;score=bic"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name input extra <<<"$c"
  case "$input" in /*) ;; *) input="$data/$input" ;; esac
  { echo "inputfile=$input"; echo "algorithm=0"; echo "seed=1"; tr ';' '\n' <<<"$extra"; } \
    >"$out/$name.options"
  start=$(date +%s.%N)
  (cd "$out" && "$bin" "$name.options" >"$name.stdout" 2>"$name.stderr")
  echo $? >"$out/$name.code"
  end=$(date +%s.%N)
  printf '%-14s %8.2f s\n' "$name" "$(echo "$end - $start" | bc)"
done
