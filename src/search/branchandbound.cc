#include "search/branchandbound.hh"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "core/fail.hh"
#include "core/status.hh"
#include "core/graph.hh"
#include "core/stop.hh"
#include "search/bbsearch.hh"
#include "search/guessorders.hh"
#include "search/localsearch.hh"
#include "search/summary.hh"

namespace {

void info(const std::string& text) { io::messaging(io::infolevel, text); }

}  // namespace

branchandbound::branchandbound(const params& p, const io& d, int n, const matrix<char>& constraints,
                               const matrix<char>& start, double best)
    : p(p), d(d), n(n), constraints(constraints), bestE(start), best(best) {}

int branchandbound::run(bool) {
  status = searchstatus::unproved;
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
      status = searchstatus::finished;
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
  // A stop request can end both first searches before either found a network.
  if (status == searchstatus::unproved && g < -1e99 && !stop_requested())
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

int branchandbound::solve() {
  bbsearch s(p, d, best, bestE, status);
  const double k = s.search();
  return report(s, k);
}

int branchandbound::report(const bbsearch& s, double k) {
  searchresult result{"bbscore", best, status, s.peakmem, s.iter, 0.0, true};
  if (p.initialbest >= best) {
    if (p.verbose >= 0) io::messaging(io::warnlevel, "No solution found");
    result.retcode = status + searchstatus::not_beaten;
    result.beaten = false;
    return writeresult(p, d, result, bestE);
  }
  const bool exhausted = s.queue->empty();
  if (p.verbose >= 0) {
    std::ostringstream line;
    line << "Total of [" << s.iter << "] iterations (score=" << best << ")(bound=";
    if (exhausted)
      line << best << ")(empty queue)\n";
    else
      line << s.queue->lastkey() << ")\n";
    logtext(line.str());
  }
  result.gap = exhausted ? 0.0 : std::fabs(s.outerbound / best - 1.0) * 100.0;
  writeresult(p, d, result, bestE);
  std::ostringstream last;
  last << "Best found s = [" << best << "]";
  if (status != searchstatus::finished) last << ", bound = [" << k << "]";
  logtext(last.str() + "\n");
  check(acyclic(bestE).size() == 0, "acyclic(bestE).empty()");
  return status;
}
