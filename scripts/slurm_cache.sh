#!/usr/bin/env bash
# Builds a score cache on a Slurm cluster: one array task per variable, then one search
# job that starts when every task has succeeded.
#
# Usage: scripts/slurm_cache.sh OPTIONFILE CACHE [SBATCH-OPTION ...]
#   OPTIONFILE      the run's option file (as for one process); relative paths in it
#                   are taken from the directory this script is called in
#   CACHE           name of the cache, on a file system every node sees
#   SBATCH-OPTION   passed to both submissions: --partition, --time, --mem, ...
# The program is taken from $BNSL, or bnsl on the PATH; the number of variables from
# $VARIABLES, or from the program reading the data.
#
# Array task V runs `bnsl OPTIONFILE node=V outputcache=CACHE algorithm=3` and writes
# only CACHE.nodeV.dorv and CACHE.nodeV.dorv.csv (task 0 also CACHE.dorv); the search
# job runs `bnsl OPTIONFILE inputcache=CACHE`, which assembles the files and refuses a
# missing one or one built from other data or settings. Resubmit a failed task with
# --array=V and the search job by hand.
set -euo pipefail
if [ $# -lt 2 ]; then
  sed -n '4,10s/^# \{0,1\}//p' "$0" >&2
  exit 2
fi
bnsl=${BNSL:-$(command -v bnsl || true)}
[ -n "$bnsl" ] || { echo "bnsl not found: set BNSL" >&2; exit 2; }
options=$(realpath "$1")
cache=$2
shift 2
n=${VARIABLES:-}
if [ -z "$n" ]; then
  # The data set's number of variables, as the program reports it after one record
  # (any input format); the run then stops, having written nothing.
  n=$("$bnsl" "$options" algorithm=3 node=2147483647 maxdata=1 verbose=1 2>&1 >/dev/null |
    sed -n 's/^\[info\] #variables=\([0-9]*\)$/\1/p' || true)
  [ -n "$n" ] || { echo "cannot read the number of variables: set it" >&2; exit 2; }
fi
tasks=$(sbatch --parsable --job-name=bnsl-cache --array=0-$((n - 1)) \
  --output="$cache.node%a.log" "$@" \
  --wrap="'$bnsl' '$options' node=\$SLURM_ARRAY_TASK_ID outputcache='$cache' algorithm=3")
search=$(sbatch --parsable --job-name=bnsl-search --dependency=afterok:"${tasks%%;*}" \
  --output="$cache.search.log" "$@" --wrap="'$bnsl' '$options' inputcache='$cache'")
echo "submitted array job $tasks ($n tasks) and search job $search"
