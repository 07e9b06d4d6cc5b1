#!/usr/bin/env bash
# Exact branch-and-bound (algorithm=0) on the score files of the shared data folder:
# wall time, iterations, return code and the proved score, marked "=" when the
# MANIFEST's known-optimum text states that value (6 decimals), "?" otherwise.
#
# Usage: bench/bnb_scorefiles.sh BINARY [DATADIR] [MINUTES]
set -u
bin=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath "${2:-$here/../shared/data}")
minutes=${3:-5}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

printf '%-30s %4s %8s %9s %-18s %s\n' file ret seconds iter bbscore manifest
for f in $(ls -S -r "$dir"/*.jkl); do
  name=$(basename "$f")
  printf 'inputfile=%s\noutputfile=%s/out\nalgorithm=0\nverbose=0\nmaxminutes=%s\n' \
    "$f" "$scratch" "$minutes" >"$scratch/options"
  start=$(date +%s.%N)
  "$bin" "$scratch/options" >/dev/null 2>&1
  code=$?
  secs=$(echo "$(date +%s.%N) - $start" | bc)
  iter=$(awk '$1 == "iter" {print $2}' "$scratch/out")
  score=$(awk '$1 == "bbscore" {print $2}' "$scratch/out")
  known=$(grep "^| $name " "$dir/MANIFEST.md" | awk -F'|' '{print $9}')
  mark="?"
  if [ -n "$score" ] && grep -q -- "$score" <<<"$known"; then mark="="; fi
  printf '%-30s %4s %8.2f %9s %-18s %s\n' "$name" "$code" "$secs" "${iter:--}" "${score:--} $mark" \
    "$(cut -c1-60 <<<"$known")"
done
