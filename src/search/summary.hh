// The result block every search writes on the output stream when it ends, followed by
// the network itself (io::dooutput, with probability tables counted from the data).
//
// Figures, one per line: "cachesize %d", "cachemem %lf" (cachesize * (n^2 + 8) / 2^20
// MB), "originalcachesize %le" (n 2^(n-1)), "totalsearchspace %le" (2^(n(n-1))),
// "reducedsearchspace %le" (e^logsearchspace), "maxmem %lf" (cachemem plus the search's
// own memory), "iter %d". Two layouts:
//   heuristics and dynamic programming: "<name> %lf", "retcode %d", figures, "gap %lf";
//   tree searches: figures, "localsearch 0", "retcode %d", "<name> %lf", "gap %lf".
// A tree search whose network does not beat initialbest stops after "retcode" and
// writes no network.
#pragma once

#include "core/matrix.hh"
#include "core/params.hh"
#include "io/io.hh"

struct searchresult {
  const char* name;  // the score line: "hillclimbing", "guessorders", "dynprog", "bbscore"
  double score;
  int retcode;
  double searchmem;  // MB the search held on top of the cache
  int iter;
  double gap;
  bool treesearch = false;
  bool beaten = true;  // tree searches: the network beats initialbest
};

// Writes the block and, unless a tree search found nothing better than initialbest,
// the network; returns retcode.
int writeresult(const params& p, const io& d, const searchresult& r, const matrix<char>& network);
