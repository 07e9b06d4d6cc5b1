#!/usr/bin/env bash
# Cache construction without a parent limit, on one thread and on several.
#
# Usage: bench/buildmap_nolimit.sh BINARY DATADIR [BASELINE] [THREADS...]
#   BINARY    the program to measure
#   DATADIR   the shared data folder (alarm-cl_10000.dat, insurance-cl_10000.dat, ...)
#   BASELINE  optional: an older build, run on one thread first (use "-" for none)
#   THREADS   thread counts (default 1 2 4 8)
# Set CASES to choose the data sets, as "file:alpha" words (alpha 0: BIC), default
# "alarm-cl_10000:0 insurance-cl_10000:1 child-cl_10000:1". Set NODES (variable
# numbers) to build only those variables' lists, one node=V run after the other, on one
# thread: the whole alarm-cl_10000 cache takes a quarter of an hour on one core before
# the per-call work, so the comparison of programs can use a fixed subset. Set OPTIONS
# to add settings to every run (for instance "maxdata=2000" for shorter runs over all
# variables, to measure threads on a busy machine).
#
# Each run builds the whole cache (algorithm 7: no search) and prints wall and CPU
# seconds; the speed-up is against BINARY on one thread. Every run of a data set must
# print the same lists and counters ("#score-calls=", "#final-elements=" lines, the
# total of score calls): a difference is reported and ends the script with status 1.
# Runs take minutes to hours; on a shared machine note the load (uptime) with the
# figures and repeat them.
set -u
bin=$1
data=$2
baseline=${3:--}
shift $(($# < 3 ? $# : 3))
threads=${*:-1 2 4 8}
nodes=${NODES:-}
[ -n "$nodes" ] && threads=1
cases=${CASES:-alarm-cl_10000:0 insurance-cl_10000:1 child-cl_10000:1}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0

# run NAME PROGRAM OPTIONFILE: times one run (with NODES, one run per variable, the
# times added up); leaves its counters in $scratch/NAME.lines.
run() {
  wall=0
  user=0
  : >"$scratch/$1.err"
  for v in ${nodes:--}; do
    set -- "$1" "$2" "$3" $([ "$v" = - ] || echo "node=$v algorithm=3 outputcache=$scratch/c")
    /usr/bin/time -o "$scratch/time" -f "%e %U" "${@:2}" >/dev/null 2>>"$scratch/$1.err"
    # The last line: a run that stops (an older program's node=V run ends in the clean-up
    # of the other, empty lists) has a line about its exit status first.
    read -r w u < <(tail -n 1 "$scratch/time")
    wall=$(awk -v a="$wall" -v b="$w" 'BEGIN { print a + b }')
    user=$(awk -v a="$user" -v b="$u" 'BEGIN { print a + b }')
    set -- "$1" "$2" "$3"
  done
  grep -E '#score-calls=|#final-elements=|#local-score-calls=' "$scratch/$1.err" |
    sed 's/ memory-usage(MB)=.*//' >"$scratch/$1.lines"
}

printf '%-20s %-5s %-9s %7s %9s %9s %8s\n' data score program threads "wall s" "cpu s" speedup
echo "load: $(uptime)"
[ -n "$nodes" ] && echo "variables: $nodes (one node=V run each)"
[ -n "${OPTIONS:-}" ] && echo "settings added: $OPTIONS"
for c in $cases; do
  name=${c%%:*}
  alpha=${c##*:}
  score=$([ "$alpha" = 0 ] && echo BIC || echo BDeu)
  first=""
  one=""
  for program in "$baseline" "$bin"; do
    [ "$program" = - ] && continue
    label=$([ "$program" = "$bin" ] && echo new || echo baseline)
    for t in $([ "$label" = baseline ] && echo 1 || echo $threads); do
      opt="$scratch/$name.$t.opt"
      printf 'inputfile=%s/%s.dat\nalgorithm=7\nverbose=1\nalpha=%s\nthreads=%s\n' \
        "$data" "$name" "$alpha" "$t" >"$opt"
      for o in ${OPTIONS:-}; do echo "$o" >>"$opt"; done
      run "$name.$label.$t" "$program" "$opt"
      if [ -z "$first" ]; then
        first="$name.$label.$t"
      elif ! cmp -s "$scratch/$first.lines" "$scratch/$name.$label.$t.lines"; then
        echo "!! $name $label $t threads: lists or counters differ from $first"
        status=1
      fi
      [ "$label" = new ] && [ "$t" = 1 ] && one=$wall
      speedup=$([ -n "$one" ] && awk -v a="$one" -v b="$wall" 'BEGIN { printf "%.2f", a / b }')
      printf '%-20s %-5s %-9s %7s %9s %9s %8s\n' "$name" "$score" "$label" "$t" "$wall" "$user" \
        "$speedup"
    done
  done
  echo "  $(grep -o '#local-score-calls=[0-9]*' "$scratch/$first.lines" | tr '\n' ' ')"
done
echo "load: $(uptime)"
exit $status
