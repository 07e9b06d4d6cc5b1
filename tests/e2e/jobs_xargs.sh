#!/usr/bin/env bash
# Per-variable jobs end to end: the lists of the bb_asia data set built by concurrent
# jobs (xargs -P, with node= and outputcache= given after the option file), then
# assembled by the search run, give the result of one process byte for byte; a job
# file built with another score, and one copied under another variable's name, are
# then refused with their names.
#
# Usage: jobs_xargs.sh BINARY
set -u
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
cp "$here/bb_asia/asia.dat" data.dat
printf 'inputfile=data.dat\nalgorithm=0\nverbose=0\nseed=7\n' >job.opt

status=0
if ! seq 0 7 | xargs -P 4 -I{} "$bin" job.opt node={} outputcache=c algorithm=3 \
    >/dev/null 2>&1; then
  echo "== a job failed"; status=1
fi
"$bin" job.opt inputcache=c >jobs.out 2>jobs.err
echo "assembled: exit $?" >>jobs.out
"$bin" job.opt >single.out 2>single.err
echo "assembled: exit $?" >>single.out
if ! cmp -s single.out jobs.out; then
  echo "== results differ"; diff single.out jobs.out; status=1
fi

# refused WHAT MESSAGE: assembling the files must end with exit 255 and MESSAGE.
refused() {
  "$bin" job.opt inputcache=c >/dev/null 2>refused.err
  local code=$?
  if [ "$code" != 255 ] || [ "$(tail -n 1 refused.err)" != "$2" ]; then
    echo "== $1: exit $code, expected 255 and: $2"; tail -n 1 refused.err
    status=1
  fi
}

"$bin" job.opt node=5 outputcache=c algorithm=3 score=aic >/dev/null 2>&1
refused "mismatched file" "Cache file [c.node5.dorv] was built with another score (aic; this run: bic)."

# A job's file copied under another variable's name is refused with that name.
"$bin" job.opt node=5 outputcache=c algorithm=3 >/dev/null 2>&1
cp c.node3.dorv c.node4.dorv
refused "duplicate file" "Cache file [c.node4.dorv] holds the list of variable 3, not of variable 4."
exit $status
