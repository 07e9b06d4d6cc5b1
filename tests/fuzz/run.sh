#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds, one after the other, and fails when any
# of them reports a finding (a crash, a sanitizer report, a leak, a timeout of 10 s, a
# single allocation above 256 MB).
#
# Usage: run.sh BUILDDIR SECONDS [TARGET...]
#
# Each target starts from its seed corpus in tests/fuzz/corpus/TARGET (seeds made by
# make_corpus.sh and the regression inputs of earlier findings, never written here) and
# keeps the inputs it finds in BUILDDIR/corpus/TARGET. A finding is saved as
# BUILDDIR/findings/TARGET-crash-..., to be added to the seed corpus as a regression
# input once fixed.
set -u
build=$1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in "$here"/*_fuzz.cc; do targets+=("$(basename "$src" .cc)"); done
fi
mkdir -p "$build/findings"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  log="$build/findings/$t.log"
  "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -malloc_limit_mb=256 \
    -rss_limit_mb=2048 -close_fd_mask=2 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$t-" "$build/corpus/$t" "$here/corpus/$t" >"$log" 2>&1
  code=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "$t: ${runs:-?} executions in ${seconds} s, exit code $code"
  if [ $code -ne 0 ]; then
    status=1
    grep -E "ERROR|SUMMARY|runtime error|Test unit written" "$log" | head -20
  fi
done
exit $status
