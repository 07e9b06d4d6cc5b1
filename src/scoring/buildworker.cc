// One variable's list of the cache construction. The candidate parent sets grow level
// by level from the variable's mandatory parents, one parent at a time. A set is
// extended only by parents above its highest freely chosen one, so every set arises
// exactly once (from the set without that parent) and no visited set is needed; the
// level structures hold two levels at a time.
//
// Pruning (when enabled):
// - BDeu: a set whose known reference score exceeds its bound a + b is neither cached
//   nor extended (no superset can beat it), nor is one with an immediate subset above
//   the bound.
// - BIC/AIC: before counting, a cached subset scoring above -P (AIC) or -P ln(N)/2
//   (BIC), P = q(S)(r_i - 1) the set's free parameters, rules the set and all its
//   supersets out: their penalty alone is at least that large.
// - A set that does not beat its reference (best known subset) is extended but not
//   cached.
//
// The cache, NEXT, LEVEL and PRUNED maps of the description are kept as flat set
// lists: the cache and NEXT are appended to and sorted when read in order; PRUNED is
// only counted, because a candidate can never meet itself again. Memory: see
// buildworker.hh.
#include "scoring/buildworker.hh"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "core/fail.hh"
#include "core/params.hh"
#include "core/resources.hh"
#include "io/constraints.hh"
#include "io/io.hh"
#include "scoring/buildpool.hh"

namespace {

constexpr double discarded = -1e300;  // a set stored although it violates a constraint
constexpr double impossible = -1e25;  // scores at or below this never enter a list

template <typename... Parts>
void info(const Parts&... parts) {
  std::ostringstream text;
  (text << ... << parts);
  io::messaging(io::infolevel, text.str());
}

}  // namespace

buildshared::buildshared(const io& rec, const params& par)
    : d(rec),
      p(par),
      n(rec.n),
      words(wordsfor(rec.n)),
      bdeu(par.alpha > 0),
      prune(par.prunescores),
      nodekb(0.0625 + rec.n / 1024.0),
      cache(size_t(rec.n)) {
  for (setlist& list : cache) list.words = words;
}

buildworker::buildworker(buildshared& s, double startpeak)
    : peak(startpeak),
      sh(s),
      d(s.d),
      p(s.p),
      n(s.n),
      words(s.words),
      scorer(s.d, s.p),
      fam(s.n, 1, 0),
      setvector(s.n, 1, 0) {
  level.words = next.words = words;
}

bool buildworker::isfree(int k) const { return k != i && d.allow(i, k) == 0; }

// The nodes of the description's maps, counted for all workers together.
void buildworker::addnodes(long long count) {
  sample = sh.nodes.fetch_add(count, std::memory_order_relaxed) + count;
  added = true;
}

void buildworker::dropnodes(long long count) {
  if (count != 0) sh.nodes.fetch_sub(count, std::memory_order_relaxed);
}

void buildworker::setfamily(const setword* set) {
  for (int k = 0; k < n; ++k) fam[k] = hasbit(set, k) ? d.categ[k] : 0;
}

bool buildworker::satisfies(const setword* set) {
  const int count = std::min(d.nconstraints, int(d.constraints.size()));
  if (count <= 0) return true;
  for (int k = 0; k < n; ++k) setvector[k] = hasbit(set, k) ? 1 : 0;
  for (int c = 0; c < count; ++c) {
    int ok = 0;
    verifystrucon(d.constraints[c].c_str(), i, setvector, ok);
    if (ok == 0) return false;
  }
  return true;
}

void buildworker::variable(int child) {
  i = child;
  sampled = stopped = false;
  setlist& own = sh.cache[size_t(i)];
  if (p.verbose > 0) info("Processing variable ", i);
  std::vector<setword> initial(words, 0);
  addbit(initial.data(), i);
  for (int k = 0; k < n; ++k)
    if (d.allow(i, k) == -1) addbit(initial.data(), k);
  setfamily(initial.data());
  double a = 1.0, b = 1.0;
  const double s0 = scorer.scorefamily(fam, i, a, b);
  if (s0 < impossible) fatal("Problem infeasible because of initial constraints\n");
  const bool initialok = satisfies(initial.data());
  own.push(initial.data(), initialok ? s0 : discarded);
  next.push(initial.data(), own.values[0]);
  addnodes(2);
  added = false;  // as before: the first candidate samples these two nodes
  scorecalls = 1;
  lemma = bounda = boundb = 0;
  int t = setsize(initial.data(), words);
  for (; d.maxparents[i] >= t && t < n && !stopped; ++t) runlevel(t);
  if (stopped) {
    discard();
    return;
  }
  dropnodes(static_cast<long long>(level.size() + next.size() + pruned));
  level.clear();
  next.clear();
  pruned = 0;
  report();
  // Constraint pass: every other cached set passed the same test when it was stored,
  // so only an initial set that failed it goes.
  if (!initialok) {
    own.erase(0);
    dropnodes(1);
    if (p.verbose > 1) info("cache-node=", i, " #pruned-by-constraints=", 1);
  }
  own.sortbyset();
}

// Forgets an unfinished variable: its nodes go back, its list is emptied.
void buildworker::discard() {
  setlist& own = sh.cache[size_t(i)];
  dropnodes(static_cast<long long>(level.size() + next.size() + pruned + own.size()));
  level.clear();
  next.clear();
  own.clear();
  pruned = 0;
}

void buildworker::report() {
  if (p.verbose > 0) {
    info("cache-node=", i, " #elements=", sh.cache[size_t(i)].size());
    info("cache-node=", i, " #score-calls=", scorecalls);
  }
  if (p.verbose > 1) {
    info("cache-node=", i, " #pruned-by-lemma1=", lemma);
    info("cache-node=", i, " #pruned-by-theorem1=", bounda + boundb);
    info("cache-node=", i, " #potential-total-discarded=", std::ldexp(1.0, n - 1) - scorecalls);
  }
}

// Extends every set of size t (LEVEL, in set order) by each admissible parent above its
// highest freely chosen one. LEVEL takes NEXT's nodes over; the pruned sets of the
// previous level go.
void buildworker::runlevel(int t) {
  dropnodes(static_cast<long long>(level.size() + pruned));
  level.clear();
  std::swap(level, next);
  level.sortbyset();
  pruned = 0;
  if (p.verbose > 1)
    info("cache-node=", i, " #parentsets=", t, " #step-elements=", level.size(),
         " current-cache-size=", sh.cache[size_t(i)].size());
  std::vector<setword> set(words);
  for (size_t e = 0; e < level.size(); ++e) {
    if (sh.pool->abandoned(i)) {
      stopped = true;
      return;
    }
    const setword* base = level.key(e);
    check(setsize(base, words) == t, "it->first.sum()==siz");
    int highest = -1;
    double configs = 1;  // q of the set
    for (int k = 0; k < n; ++k) {
      if (!hasbit(base, k)) continue;
      if (isfree(k)) highest = k;
      if (k != i) configs *= d.categ[k];
    }
    std::copy(base, base + words, set.begin());
    setfamily(base);
    baseparent = -1;
    for (int k = n - 1; k >= 0 && baseparent < 0; --k)
      if (k != i && hasbit(base, k)) baseparent = k;
    prefixready = false;
    const double reference = level.values[e];
    for (int pos = highest + 1; pos < n; ++pos) {
      if (hasbit(base, pos) || !isfree(pos) || d.categ[pos] <= 1) continue;
      addbit(set.data(), pos);
      fam[pos] = d.categ[pos];
      candidate(set.data(), pos, reference, configs * d.categ[pos]);
      fam[pos] = 0;
      dropbit(set.data(), pos);
    }
  }
}

void buildworker::candidate(setword* set, int pos, double reference, double configs) {
  double ref = reference, a = 1.0, b = 1.0, u;
  if (sh.bdeu) {
    ++scorecalls;
    u = scorecandidate(pos, a, b);
    if (ref > a + b && sh.prune) {
      ++pruned;
      addnodes(1);
      ++bounda;
      memorycheck();
      return;
    }
    if (ref <= a + b && sh.prune && boundhit(set, pos, ref, a + b)) {
      ++boundb;
      memorycheck();
      return;
    }
  } else {
    if (sh.prune && subsethit(set, ref, configs)) {
      memorycheck();
      return;
    }
    ++scorecalls;
    if (sh.prune && belowreference(pos, ref)) {
      keepforextension(set, satisfies(set), ref);
      memorycheck();
      return;
    }
    u = scorecandidate(pos, a, b);
  }
  store(set, u, ref);
  memorycheck();
}

// BIC/AIC: whether the candidate's score is known, without counting it, to lie above the
// floor of scores that enter no list and at or below ref, so that it would be stored as
// not beating its reference. A bound of the prefix's log-likelihood decides that for
// many candidates: on alarm-cl_10000 for 409,211 of variable 5's 747,750 score calls
// (all but 53 of which score at or below their reference) and 564,504 of variable 20's
// 1,910,616.
bool buildworker::belowreference(int pos, double ref) {
  if (pos < baseparent) return false;
  preparescorer(pos);
  return scorer.extensionwithin(fam, i, pos, impossible, ref);
}

// The candidate is the set being extended plus pos. When pos lies above its parents
// (always so without mandatory parents) the scorer counts it from the record classes
// of their configurations, which it makes at the first scored extension of each set and
// shares along the common prefix with the previous set (see score::setprefix).
double buildworker::scorecandidate(int pos, double& a, double& b) {
  if (pos < baseparent) return scorer.scorefamily(fam, i, a, b);
  preparescorer(pos);
  return scorer.scoreextension(fam, i, pos, a, b);
}

void buildworker::preparescorer(int pos) {
  if (prefixready) return;
  fam[pos] = 0;
  scorer.setprefix(fam, i);
  fam[pos] = d.categ[pos];
  prefixready = true;
}

// BDeu: looks the immediate subsets up among the previous level's sets (every cached
// set of that size is there with the same score); the child and the mandatory parents
// are in every set, so dropping them finds nothing and is skipped.
bool buildworker::boundhit(setword* set, int pos, double& ref, double bound) {
  for (int j = 0; j < n; ++j) {
    if (j == pos || !hasbit(set, j) || !isfree(j)) continue;
    dropbit(set, j);
    const long at = level.find(set);
    addbit(set, j);
    if (at < 0) continue;
    const double st = level.values[size_t(at)];
    ref = std::max(ref, st);
    if (st > bound) return true;
  }
  return false;
}

// BIC/AIC: scans the variable's whole cache for subsets of the candidate.
bool buildworker::subsethit(const setword* set, double& ref, double configs) {
  const double params = configs * (d.categ[i] - 1);
  const double limit = p.aicscore ? -params : -params * 0.5 * std::log(double(d.data.n));
  const setlist& list = sh.cache[size_t(i)];
  for (size_t c = 0; c < list.size(); ++c) {
    if (!within(list.key(c), set, words)) continue;
    const double sc = list.values[c];
    ref = std::max(ref, sc);
    if (sc > limit) return true;
  }
  return false;
}

void buildworker::store(const setword* set, double u, double ref) {
  if (u <= impossible) return;
  const bool ok = satisfies(set);
  if (!ok || (sh.prune && u <= ref)) {
    keepforextension(set, ok, ref);
    return;
  }
  next.push(set, u);
  sh.cache[size_t(i)].push(set, u);
  addnodes(2);
}

// A set that is not cached but extended, with its reference.
void buildworker::keepforextension(const setword* set, bool ok, double ref) {
  if (ok) ++lemma;
  next.push(set, ref);
  addnodes(1);
}

void buildworker::memorycheck() {
  ++candidates;
  if (!added && sampled) return;
  const long long count = added ? sample : sh.nodes.load(std::memory_order_relaxed);
  added = false;
  sampled = true;
  const double m = sh.megabytes(count);
  if (m > peak.load(std::memory_order_relaxed)) {
    double last = sh.lastmaxmem.load(std::memory_order_relaxed);
    while (m - 10 > last) {
      if (!sh.lastmaxmem.compare_exchange_weak(last, m)) continue;
      if (p.verbose > 1) info("increasing memory usage (MB) to ", m, " (NA)");
      break;
    }
    peak.store(m, std::memory_order_relaxed);
  }
  if (m > p.maxmem) fatal("Not enough memory (%lfMB) for buildmap\n", sh.runpeak());
}
