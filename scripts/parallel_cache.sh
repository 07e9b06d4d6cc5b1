#!/usr/bin/env bash
# Builds a score cache on every core of one machine with GNU parallel, one job per
# variable, then runs the search on the assembled cache.
#
# Usage: scripts/parallel_cache.sh OPTIONFILE CACHE [JOBS [VARIABLES]]
#   OPTIONFILE  the run's option file: inputfile, score, alpha, globalmaxparents, the
#               search's algorithm and limits, outputfile, ...
#   CACHE       name of the cache: jobs write CACHE.nodeV.dorv (and CACHE.dorv)
#   JOBS        jobs at once (GNU parallel's --jobs; default one per core)
#   VARIABLES   number of variables (default: read from the data file's first line)
# The program is taken from $BNSL, or bnsl on the PATH.
#
# Each job runs `bnsl OPTIONFILE node=V outputcache=CACHE algorithm=3` and writes only
# its own files; the search run `bnsl OPTIONFILE inputcache=CACHE` assembles them and
# refuses a missing one or one built from other data or settings. A job that failed can
# be run again alone. Inside one process, threads=N does the same work without files.
set -euo pipefail
if [ $# -lt 2 ]; then
  sed -n '4,9s/^# \{0,1\}//p' "$0" >&2
  exit 2
fi
bnsl=${BNSL:-bnsl}
options=$1
cache=$2
jobs=${3:-100%}
n=${4:-}
if [ -z "$n" ]; then
  data=$(sed -n 's/^[[:space:]]*inputfile[[:space:]]*=[[:space:]]*\(.*[^[:space:]]\).*$/\1/p' \
    "$options" | tail -n 1)
  read -r _ n _ <"$data"
fi
seq 0 $((n - 1)) |
  parallel --jobs "$jobs" --halt now,fail=1 \
    "$bnsl" "$options" node={} outputcache="$cache" algorithm=3 '>' "$cache".node{}.log '2>&1'
"$bnsl" "$options" inputcache="$cache"
