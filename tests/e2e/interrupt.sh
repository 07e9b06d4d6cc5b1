#!/usr/bin/env bash
# Ctrl-C during a search: bnsl runs order guessing without a limit on the case in
# signals/, receives SIGINT once the search reports its first ordering, and must end
# with status 18 and the complete result block of its best network (expected.stdout).
# Nothing here depends on timing: the signal follows a line the search writes.
#
# Usage: interrupt.sh BINARY CASEDIR
set -u
bin=$1
case_dir=$2
scratch=$(mktemp -d)
pid=
# Only a run still going (the test failed before its signal) is ended here; once
# waited for, its process id is forgotten.
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$scratch"' EXIT
cp -r "$case_dir"/. "$scratch"/
cd "$scratch"
"$bin" run.opt >actual.stdout 2>actual.stderr </dev/null &
pid=$!
until grep -q '#orderings-so-far=0' actual.stderr; do
  if ! kill -0 "$pid" 2>/dev/null; then echo "bnsl ended before the signal"; exit 1; fi
  sleep 0.05
done
kill -INT "$pid"
wait "$pid"
code=$?
pid=
status=0
[ "$code" = 18 ] || { echo "exit code $code, expected 18"; status=1; }
grep -q '^\[warn\] Interrupted by a signal. Stopping$' actual.stderr || { echo "no stop message"; status=1; }
diff -u expected.stdout actual.stdout || status=1
exit $status
