#!/usr/bin/env bash
# Runs one end-to-end case: bnsl on the case's option file, in a scratch copy of the
# case folder, compared byte for byte with the expected stdout, stderr and exit code,
# and with every file under expected.files/ (files the run must write).
#
# Usage: run_case.sh BINARY CASEDIR [--regen]
#   --regen writes the expected files from this run instead of comparing; its output
#   must be read against the documented formats before it is committed.
#
# A case may hold a file `args` whose words replace the single argument `options`
# (an empty `args` runs the program without any argument).
#
# Volatile fields are masked in both streams by mask.sed beside this script (the
# random seed shown when none is given, memory figures); a case may add its own sed
# expressions in a file named `mask`.
set -u
bin=$1
case_dir=$2
mode=${3:-compare}
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$case_dir"/. "$scratch"/
rm -rf "$scratch"/expected.*
cd "$scratch"
args=(options)
if [ -f "$case_dir/args" ]; then read -r -a args <"$case_dir/args" || true; fi
"$bin" "${args[@]}" >actual.stdout 2>actual.stderr </dev/null
echo $? >actual.code

mask() {
  sed -f "$here/mask.sed" "$1" | if [ -f "$scratch/mask" ]; then sed -f "$scratch/mask"; else cat; fi
}

if [ "$mode" = "--regen" ]; then
  mask actual.stdout >"$case_dir/expected.stdout"
  mask actual.stderr >"$case_dir/expected.stderr"
  cp actual.code "$case_dir/expected.code"
  if [ -d "$case_dir/expected.files" ]; then
    for f in "$case_dir"/expected.files/*; do cp "$scratch/$(basename "$f")" "$f"; done
  fi
  exit 0
fi

status=0
for stream in stdout stderr; do
  if ! diff -u <(mask "$case_dir/expected.$stream") <(mask "actual.$stream") >diff.$stream; then
    echo "== $stream differs"; cat diff.$stream; status=1
  fi
done
if ! diff -u "$case_dir/expected.code" actual.code >/dev/null; then
  echo "== exit code: expected $(cat "$case_dir/expected.code"), got $(cat actual.code)"; status=1
fi
if [ -d "$case_dir/expected.files" ]; then
  for f in "$case_dir"/expected.files/*; do
    name=$(basename "$f")
    if ! cmp -s "$f" "$scratch/$name"; then
      echo "== file $name differs"; status=1
    fi
  done
fi
exit $status
