#include "search/branchandbound.hh"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sstream>

#include "core/fail.hh"
#include "core/graph.hh"
#include "core/resources.hh"
#include "search/bbsearch.hh"
#include "search/guessorders.hh"
#include "search/localsearch.hh"

namespace {

constexpr double ln2 = 0.6931471805599453;

std::string scientific(double x) {
  char text[64];
  snprintf(text, sizeof text, "%e", x);
  return text;
}

void info(const std::string& text) { io::messaging(io::infolevel, text); }

}  // namespace

branchandbound::branchandbound(const params& p, const io& d, int n, const matrix<char>& constraints,
                               const matrix<char>& start, double best)
    : p(p), d(d), n(n), constraints(constraints), bestE(start), best(best) {}

int branchandbound::run(bool) {
  status = -1;
  initialincumbent();
  return solve();
}

void branchandbound::initialincumbent() {
  params quiet = p;
  quiet.verbose = 0;
  {
    localsearch climber(quiet, d, false);
    climber.run(true);
    if (climber.curvalue > -1e99) {
      check(acyclic(climber.curstruct).size() == 0, "acyclic(bestE).empty()");
      bestE = climber.curstruct;
      best = climber.curvalue;
      status = 0;
    }
  }
  if (p.verbose > 0) {
    std::ostringstream line;
    line << "Using initial solution score=" << best << " found with local search";
    info(line.str());
  }
  quiet.maxiter = 1000;
  guessorders guesser(quiet, d, -1e100, true, true);
  const double g = guesser.guessorders_aux();
  if (status == -1 && g < -1e99)
    fatal("%s", "DORV: Problem infeasible because of initial constraints\n");
  if (g > best) {
    check(acyclic(guesser.beststruct).size() == 0, "acyclic(bestE).empty()");
    bestE = guesser.beststruct;
    best = g;
    if (p.verbose > 0) {
      std::ostringstream line;
      line << "Using solution score=" << g << " found with guess orderings";
      info(line.str());
    }
  }
}

// Best-first search: the greatest key is expanded next, except at the very first pop and
// while the memory estimate exceeds maxmem, when the least promising node goes first.
int branchandbound::solve() {
  static int lastverb = 0;
  bbsearch s(p, d, best, bestE, status);
  double k = s.makeroot();
  const time_t start = time(nullptr);
  while (!s.queue->empty()) {
    const double m = (s.queue->usage() + resources::memkbs) / 1024.0;
    s.peakmem = std::max(s.peakmem, m);
    if (m > p.maxmem || s.streak == 0) {
      s.queue->begin(*s.work);
      s.streak = 0;
    } else {
      s.queue->end(*s.work);
    }
    s.unpack();
    k = s.work->getss();
    if (s.iter >= p.maxiter) {
      if (p.verbose >= 0)
        io::messaging(io::warnlevel, "Maximum number of iterations reached. Stopping");
      status = 3;
      break;
    }
    if (difftime(time(nullptr), start) > double(p.maxseconds)) {
      if (p.verbose >= 0)
        io::messaging(io::warnlevel, "Maximum number of minutes reached. Stopping");
      status = 6;
      break;
    }
    if (k > best && (p.verbose > 2 || (p.verbose > 0 && s.iter >= lastverb))) {
      if (s.streak != 0) s.outerbound = k;
      progressline(s, k, m);
      fflush(stderr);
      lastverb = s.iter + 1000;
    }
    ++s.iter;
    s.streak = s.streak == INT_MAX ? 0 : s.streak + 1;
    if (s.expand(k)) break;
  }
  return report(s, k);
}

void branchandbound::progressline(const bbsearch& s, double k, double m) const {
  std::ostringstream line;
  line << "Step [" << s.iter << "] d=" << s.below.sum() << ",ic=" << s.comp.sum()
       << ",up=" << s.up.sum() << ","
       << "(plsize=[" << s.queue->size() << "],duplist=[" << 0  // no visited-node map is kept
       << "],s=" << scientific(s.streak != 0 ? k : 10000000.0) << "],best=[" << scientific(best)
       << "],prunebyval=[" << s.prunebyval << "],prunebyfeas=[" << s.prunebyfeas << "]"
       << ",mem=[" << scientific(m) << "MB"
       << "," << resources::npl << "objs]) ";
  info(line.str());
}

int branchandbound::report(const bbsearch& s, double k) {
  FILE* out = p.outfile;
  const double cachemem = double(d.cachesize) * double(n * n + 8) / 1048576.0;
  fprintf(out,
          "cachesize %d\ncachemem %lf\noriginalcachesize %le\ntotalsearchspace %le\n"
          "reducedsearchspace %le\nmaxmem %lf\niter %d\nlocalsearch %d\n",
          d.cachesize, cachemem, n * std::exp((n - 1) * ln2), std::exp(double(n) * (n - 1) * ln2),
          std::exp(d.logsearchspace), cachemem + s.peakmem, s.iter, 0);
  if (p.initialbest >= best) {
    if (p.verbose >= 0) io::messaging(io::warnlevel, "No solution found");
    fprintf(out, "retcode %d\n", status + 10);
    return status + 10;
  }
  fprintf(out, "retcode %d\n", status);
  const bool exhausted = s.queue->empty();
  if (p.verbose >= 0) {
    std::cerr << "Total of [" << s.iter << "] iterations (score=" << best << ")(bound=";
    if (exhausted)
      std::cerr << best << ")(empty queue)\n";
    else
      std::cerr << s.queue->lastkey() << ")\n";
  }
  fprintf(out, "bbscore %lf\n", best);
  fprintf(out, "gap %lf\n", exhausted ? 0.0 : std::fabs(s.outerbound / best - 1.0) * 100.0);
  d.dooutput(p, bestE);
  std::cerr << "Best found s = [" << best << "]";
  if (status != 0) std::cerr << ", bound = [" << k << "]";
  std::cerr << "\n";
  check(acyclic(bestE).size() == 0, "acyclic(bestE).empty()");
  return status;
}
