#!/usr/bin/env bash
# Makes the seed corpus of the fuzz targets from the project's own inputs: the small data
# sets, CSV files and score files of the end-to-end cases, the native caches bnsl writes
# for the data sets among them, the bundled CSV example and side files. Seeds are named seed-*; regression inputs of earlier findings
# (regress-*) are left alone.
#
# Usage: make_corpus.sh BNSL   (a built bnsl binary)
set -eu
bin=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
e2e=$here/../e2e
corpus=$here/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
targets=()
for src in "$here"/*_fuzz.cc; do targets+=("$(basename "$src" .cc)"); done
for t in "${targets[@]}"; do
  mkdir -p "$corpus/$t"
  rm -f "$corpus/$t"/seed-*
done

# Inputs under 1 KB, one copy of each content.
small_inputs() {
  for f in "$e2e"/*/*.dat "$e2e"/*/*.txt "$e2e"/*/*.gob "$e2e"/*/*.jkl "$e2e"/*/*.csv; do
    [ "$(wc -c <"$f")" -lt 1024 ] && echo "$f"
  done | sort -u
}

seed() {  # seed TARGET FILE: copies FILE under a name taken from its content
  cp "$2" "$corpus/$1/seed-$(sha1sum "$2" | cut -c1-12)"
}

for f in $(small_inputs); do
  first=$(head -1 "$f")
  case "$f" in
    *.dorv.csv) seed textcache_fuzz "$f" ;;
    *.csv) seed csvreader_fuzz "$f" ;;
    *)
      if [[ $first =~ ^[[:space:]]*[0-9]+[[:space:]]*$ ]]; then seed scorefile_fuzz "$f"
      else seed datareader_fuzz "$f"; fi ;;
  esac
done

# Native caches of the data sets that bnsl takes to the end (3 to 8 variables): the text
# form, and the binary files joined with "@@@@" in the order binarycache_fuzz cuts them.
k=0
for f in $(small_inputs); do
  case "$f" in *.csv | *.gob | *.jkl) continue ;; esac
  k=$((k + 1))
  dir=$work/$k
  mkdir "$dir"
  cp "$f" "$dir/data"
  printf 'inputfile=data\noutputcache=c\nalgorithm=3\nverbose=0\n' >"$dir/options"
  (cd "$dir" && "$bin" options >/dev/null 2>&1) || continue
  seed textcache_fuzz "$dir/c.dorv.csv"
  n=$(ls "$dir"/c.node*.dorv | wc -l)
  [ "$n" -le 8 ] || continue
  {
    for ((v = 0; v < n; v++)); do cat "$dir/c.node$v.dorv"; printf '@@@@'; done
    cat "$dir/c.dorv"
  } >"$dir/joined"
  seed binarycache_fuzz "$dir/joined"
  printf 'inputfile=data\noutputcache=c.gob\nalgorithm=9\nverbose=0\n' >"$dir/options"
  (cd "$dir" && "$bin" options >/dev/null 2>&1) && seed scorefile_fuzz "$dir/c.gob"
done

# The bundled CSV example, cut to its first records; side files for the four variables
# sidefile_fuzz reads them for: the constraint file and the true graph of csv_twin, and
# the same graph as an arc list, joined with "@@@@".
head -40 "$here/../../examples/asia.csv" >"$work/asia.csv"
seed csvreader_fuzz "$work/asia.csv"
{ cat "$e2e/csv_twin/constraints.txt"; printf '@@@@'; cat "$e2e/csv_twin/true.dot"; } >"$work/side1"
{ printf 'play: a(play, weather) or a(play, temp)\n@@@@'; printf 'weather play\nplay wind\n'; } >"$work/side2"
seed sidefile_fuzz "$work/side1"
seed sidefile_fuzz "$work/side2"

for t in "${targets[@]}"; do
  echo "$t: $(ls "$corpus/$t" | wc -l) inputs"
done
