#!/usr/bin/env bash
# Threads change nothing but the memory figures: on random small data sets (weight
# vectors, a constraint line, scores, parent limits, a memory stop) threads=1, 2 and 8
# give the same exit code, standard output, standard error and cache files, byte for
# byte once the memory figures are masked.
#
# Usage: threads_same.sh BINARY
set -u
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

# A data set of seed s: n variables, a chain of noisy copies, variable 0 binary with
# some records given as weight vectors, one constraint line on odd seeds; N records, or
# a random number of them.
makedata() {
  awk -v s="$1" -v N="${2:-0}" 'BEGIN {
    srand(s); n = 4 + s % 4; q = s % 2
    if (!N) N = 40 + int(rand() * 80)
    print N, n, 0, q, -1
    if (q) print "1: a(1,0) or -a(1,2)"
    for (t = 0; t < N; ++t) {
      line = ""; prev = 0
      for (j = 0; j < n; ++j) {
        k = j == 0 ? 2 : 3
        v = rand() < 0.7 ? prev % k : int(rand() * k)
        token = (j == 0 && rand() < 0.15) ? sprintf("[%.2f,%.2f]", rand(), rand()) : v
        line = line (j ? " " : "") token; prev = v
      }
      print line
    }
  }' >data.dat
}

# The bytes of FILE, one a line, with the storage addresses masked: the binary matrix
# form writes a matrix's in-memory record, whose last 8 bytes are an address. A node
# file (NODE 1) holds K entries of a double and an n x 1 matrix, then its build record;
# the base file two n x n matrices.
masked() {
  od -An -v -tu1 -w1 "$1" | awk -v n="$2" -v node="$3" '
    { b[NR - 1] = $1 }
    END {
      if (node) { k = b[0] + 256 * b[1]; start = 4; size = 36 + n; at = 28; count = k }
      else { start = 0; size = 28 + n * n; at = 20; count = 2 }
      for (p = 0; p < NR; ++p) {
        q = (p - start) % size
        print (p >= start && p < start + count * size && q >= at && q < at + 8) ? "x" : b[p]
      }
    }'
}

status=0
for seed in 1 2 3 4 5 6 7 8; do
  # Seed 7: the data alone exceed maxmem=1 (MB), so every thread count stops at the
  # first family, the same one.
  makedata "$seed" $([ "$seed" = 7 ] && echo 60000)
  n=$((4 + seed % 4))
  case $((seed % 4)) in
    0) extra="score=aic" ;;
    1) extra="alpha=1" ;;
    2) extra="alpha=0.3 globalmaxparents=2" ;;
    3) extra="" ;;
  esac
  [ "$seed" = 7 ] && extra="$extra maxmem=1"
  for t in 1 2 8; do
    mkdir -p "t$t"
    printf 'inputfile=../data.dat\nalgorithm=3\nverbose=2\noutputcache=c\n' >"t$t/run.opt"
    (cd "t$t" && "$bin" run.opt threads=$t $extra >out 2>err; echo "exit $?" >>out)
    sed -f "$here/mask.sed" -e 's/\(Not enough memory (\)[0-9.]*/\1*/' \
      -e '/^\[info\] threads (ILP): /d' "t$t/err" >"t$t/err.masked"
    [ -f "t$t/c.dorv" ] && masked "t$t/c.dorv" "$n" 0 >"t$t/base"
    for f in "t$t"/c.node*.dorv; do [ -f "$f" ] && masked "$f" "$n" 1 >"$f.masked"; done
  done
  for t in 2 8; do
    for f in out err.masked base c.dorv.csv $(cd t1 && ls c.node*.masked 2>/dev/null); do
      [ -f "t1/$f" ] || [ -f "t$t/$f" ] || continue
      if ! cmp -s "t1/$f" "t$t/$f"; then
        echo "== seed $seed ($extra): $f differs between 1 and $t threads"
        diff "t1/$f" "t$t/$f" | head -5
        status=1
      fi
    done
  done
  rm -rf t1 t2 t8
done
exit $status
