#!/usr/bin/env bash
# Builds a score cache on every core of one machine with GNU parallel, one job per
# variable, then runs the search on the assembled cache.
#
# Usage: scripts/parallel_cache.sh OPTIONFILE CACHE [JOBS [VARIABLES]]
#   OPTIONFILE  the run's option file: inputfile, score, alpha, globalmaxparents, the
#               search's algorithm and limits, outputfile, ...
#   CACHE       name of the cache: jobs write CACHE.nodeV.dorv (and CACHE.dorv)
#   JOBS        jobs at once (GNU parallel's --jobs; default one per core)
#   VARIABLES   number of variables (default: what the program reads in the data)
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
  # The data set's number of variables, as the program reports it after one record
  # (any input format); the run then stops, having written nothing.
  n=$("$bnsl" "$options" algorithm=3 node=2147483647 maxdata=1 verbose=1 2>&1 >/dev/null |
    sed -n 's/^\[info\] #variables=\([0-9]*\)$/\1/p' || true)
  [ -n "$n" ] || { echo "cannot read the number of variables: set it" >&2; exit 2; }
fi
seq 0 $((n - 1)) |
  parallel --jobs "$jobs" --halt now,fail=1 \
    "$bnsl" "$options" node={} outputcache="$cache" algorithm=3 '>' "$cache".node{}.log '2>&1'
"$bnsl" "$options" inputcache="$cache"
