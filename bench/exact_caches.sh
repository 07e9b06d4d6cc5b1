#!/usr/bin/env bash
# The exact searches on the peer-timed score caches and the three larger score files:
# for each file, return code, wall and processor seconds, tree nodes, cluster cuts,
# peak memory, the score and the bound, the optimum listed beside it and the ratio of
# the wall time to the best peer time (caches' README; "-" where none is listed).
#
# Usage: bench/exact_caches.sh BINARY [DATADIR] [ALGORITHM] [MINUTES]
#   DATADIR defaults to ../shared/data (relative to the repository), ALGORITHM to 10
#   (the automatic choice; 11 forces branch-and-cut, 1 dynamic programming), MINUTES
#   (the limit per file) to 10.
set -u
bin=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath "${2:-$here/../shared/data}")
algorithm=${3:-10}
minutes=${4:-10}
readme="$dir/caches/README.md"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Column of the caches' README table: 4 optimum, 5 A*, 6 BFBnB, 7 ILP, 8 DP.
peer() { awk -F'|' -v f="$1" -v c="$2" '$2 ~ " "f" " {gsub(/^ +| +$/, "", $(c+2)); print $(c+2)}' "$readme"; }
# The best (smallest) peer time of a file, "-" when no peer solved it.
bestpeer() {
  for c in 5 6 7 8; do peer "$1" "$c"; done | awk '$1 ~ /^[0-9.]+$/ {print $1}' | sort -g | head -1
}
# The optimum the MANIFEST states for a score file outside caches/.
stated() {
  grep "^| $1 " "$dir/MANIFEST.md" | awk -F'|' '{print $9}' | grep -o '^ *-[0-9.]*' | tr -d ' '
}

printf '%-32s %4s %8s %8s %7s %6s %7s %-36s %-16s %-24s %s\n' file ret wall cpu nodes cuts peakMB \
  "score (<= bound)" optimum "ratio to best peer" engine
files="$(ls -S -r "$dir"/caches/*.jkl) $dir/insurance_20000_bic_p3.jkl $dir/alarm_20000_bic_p3.jkl
$dir/alarm_10000_bdeu_p3.jkl"
for f in $files; do
  name=$(basename "$f")
  printf 'inputfile=%s\noutputfile=%s/out\nalgorithm=%s\nverbose=1\nmaxminutes=%s\n' \
    "$f" "$scratch" "$algorithm" "$minutes" >"$scratch/options"
  rm -f "$scratch/out"
  start=$(date +%s.%N)
  /usr/bin/time -f '%M %U %S' -o "$scratch/rss" "$bin" "$scratch/options" >/dev/null 2>"$scratch/err"
  code=$?
  wall=$(echo "$(date +%s.%N) - $start" | bc)
  read -r rss user sys < <(tail -n 1 "$scratch/rss")
  cpu=$(echo "$user + $sys" | bc)
  score=$(awk '$1 == "ilpscore" || $1 == "dynprog" {print $2}' "$scratch/out" 2>/dev/null)
  nodes=$(awk '$1 == "iter" {print $2}' "$scratch/out" 2>/dev/null)
  cuts=$(sed -n 's/.*cluster cuts \([0-9]*\),.*/\1/p' "$scratch/err" | tail -1)
  bound=$(sed -n 's/^Best found .*bound = \[\(.*\)\]/\1/p' "$scratch/err")
  result=${score:--}
  if [ -n "$bound" ]; then result="$result <= $bound"; fi
  engine=$(sed -n 's/^\[info\] Exact search by \([a-z -]*\):.*/\1/p' "$scratch/err")
  optimum=$(peer "$name" 4)
  [ -z "$optimum" ] && optimum=$(stated "$name")
  best=$(bestpeer "$name")
  ratio=-
  [ -n "$best" ] && ratio=$(echo "scale=2; $wall / $best" | bc)
  printf '%-32s %4s %8.2f %8.2f %7s %6s %7.0f %-36s %-16s %-24s %s\n' "$name" "$code" "$wall" "$cpu" \
    "${nodes:--}" "${cuts:--}" "$(echo "$rss / 1024" | bc)" "$result" "${optimum:--}" \
    "$ratio (best peer ${best:--})" "${engine:--}"
done
