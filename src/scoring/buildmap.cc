// Cache construction. For each variable the candidate parent sets grow level by level
// from its mandatory parents, one parent at a time. A set is extended only by parents
// above its highest freely chosen one, so every set arises exactly once (from the set
// without that parent) and no visited set is needed; the level structures hold two
// levels at a time.
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
// only counted, because a candidate can never meet itself again. The memory counter
// moves exactly as the maps' nodes would: 0.0625 KB per node plus n bytes of key.
#include "scoring/buildmap.hh"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "core/params.hh"
#include "core/fail.hh"
#include "core/resources.hh"
#include "io/constraints.hh"
#include "io/io.hh"
#include "scoring/score.hh"
#include "scoring/setlist.hh"

namespace {

constexpr double discarded = -1e300;  // a set stored although it violates a constraint
constexpr double impossible = -1e25;  // scores at or below this never enter a list

template <typename... Parts>
void info(const Parts&... parts) {
  std::ostringstream text;
  (text << ... << parts);
  io::messaging(io::infolevel, text.str());
}

class builder {
 public:
  builder(const io& rec, const params& par);
  void variable(int child);
  std::vector<parentsetlist> assemble(double& logsearchspace, int& cachesize);

 private:
  const io& d;
  const params& p;
  const int n, words;
  const bool bdeu, prune;
  const double nodekb;
  score scorer;
  double peak;
  double lastmaxmem = 0.0;  // the memory level last reported, in MB
  long candidates = 0;
  std::vector<setlist> cache;
  setlist level, next;
  size_t pruned = 0;
  // State of the variable being processed.
  int i = 0;
  int scorecalls = 0, lemma = 0, bounda = 0, boundb = 0;
  matrix<int> fam;          // categ x the current set
  matrix<char> setvector;   // the current set for the constraint test
  std::vector<setword> trial;

  bool isfree(int k) const { return k != i && d.allow(i, k) == 0; }
  void addnodes(size_t count);
  void dropnodes(size_t count);
  void setfamily(const setword* set);
  bool satisfies(const setword* set);
  void runlevel(int t);
  void candidate(setword* set, int pos, double reference, double configs);
  bool boundhit(setword* set, int pos, double& ref, double bound);
  bool subsethit(const setword* set, double& ref, double configs);
  void store(const setword* set, double u, double ref);
  void memorycheck();
  void report();
  bool bettersubset(const setlist& list, const std::vector<size_t>& kept, size_t e);
};

builder::builder(const io& rec, const params& par)
    : d(rec),
      p(par),
      n(rec.n),
      words(wordsfor(rec.n)),
      bdeu(par.alpha > 0),
      prune(par.prunescores),
      nodekb(0.0625 + rec.n / 1024.0),
      scorer(rec, par),
      cache(rec.n),
      fam(rec.n, 1, 0),
      setvector(rec.n, 1, 0),
      trial((rec.n + 63) / 64) {
  peak = resources::memkbs / 1024;
  for (setlist& list : cache) list.words = words;
  level.words = next.words = words;
}

// One node at a time, as map insertions and erasures would move the counter.
void builder::addnodes(size_t count) {
  for (size_t c = 0; c < count; ++c) resources::memkbs += nodekb;
}

void builder::dropnodes(size_t count) {
  for (size_t c = 0; c < count; ++c) resources::memkbs -= nodekb;
}

void builder::setfamily(const setword* set) {
  for (int k = 0; k < n; ++k) fam[k] = hasbit(set, k) ? d.categ[k] : 0;
}

bool builder::satisfies(const setword* set) {
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

void builder::variable(int child) {
  i = child;
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
  cache[i].push(initial.data(), initialok ? s0 : discarded);
  addnodes(1);
  next.push(initial.data(), cache[i].values[0]);
  addnodes(1);
  scorecalls = 1;
  lemma = bounda = boundb = 0;
  int t = setsize(initial.data(), words);
  for (; d.maxparents[i] >= t && t < n; ++t) runlevel(t);
  dropnodes(level.size());
  level.clear();
  dropnodes(next.size());
  next.clear();
  dropnodes(pruned);
  pruned = 0;
  report();
  // Constraint pass: every other cached set passed the same test when it was stored,
  // so only an initial set that failed it goes.
  if (!initialok) {
    cache[i].erase(0);
    dropnodes(1);
    if (p.verbose > 1) info("cache-node=", i, " #pruned-by-constraints=", 1);
  }
  cache[i].sortbyset();
}

void builder::report() {
  if (p.verbose > 0) {
    info("cache-node=", i, " #elements=", cache[i].size());
    info("cache-node=", i, " #score-calls=", scorecalls);
  }
  if (p.verbose > 1) {
    info("cache-node=", i, " #pruned-by-lemma1=", lemma);
    info("cache-node=", i, " #pruned-by-theorem1=", bounda + boundb);
    info("cache-node=", i, " #potential-total-discarded=", std::ldexp(1.0, n - 1) - scorecalls);
  }
}

// Extends every set of size t (LEVEL, in set order) by each admissible parent above its
// highest freely chosen one.
void builder::runlevel(int t) {
  dropnodes(level.size());
  level.clear();
  addnodes(next.size());   // LEVEL = NEXT
  dropnodes(next.size());  // NEXT cleared
  std::swap(level, next);
  level.sortbyset();
  dropnodes(pruned);
  pruned = 0;
  if (p.verbose > 1)
    info("cache-node=", i, " #parentsets=", t, " #step-elements=", level.size(),
         " current-cache-size=", cache[i].size());
  std::vector<setword> set(words);
  for (size_t e = 0; e < level.size(); ++e) {
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

void builder::candidate(setword* set, int pos, double reference, double configs) {
  double ref = reference, a = 1.0, b = 1.0, u;
  if (bdeu) {
    ++scorecalls;
    u = scorer.scorefamily(fam, i, a, b);
    if (ref > a + b && prune) {
      ++pruned;
      addnodes(1);
      ++bounda;
      memorycheck();
      return;
    }
    if (ref <= a + b && prune && boundhit(set, pos, ref, a + b)) {
      ++boundb;
      memorycheck();
      return;
    }
  } else {
    if (prune && subsethit(set, ref, configs)) {
      memorycheck();
      return;
    }
    ++scorecalls;
    u = scorer.scorefamily(fam, i, a, b);
  }
  store(set, u, ref);
  memorycheck();
}

// BDeu: looks the immediate subsets up among the previous level's sets (every cached
// set of that size is there with the same score); the child and the mandatory parents
// are in every set, so dropping them finds nothing and is skipped.
bool builder::boundhit(setword* set, int pos, double& ref, double bound) {
  for (int j = 0; j < n; ++j) {
    if (j == pos || !hasbit(set, j) || !isfree(j)) continue;
    dropbit(set, j);
    const long at = level.find(set);
    addbit(set, j);
    if (at < 0) continue;
    const double st = level.values[at];
    ref = std::max(ref, st);
    if (st > bound) return true;
  }
  return false;
}

// BIC/AIC: scans the variable's whole cache for subsets of the candidate.
bool builder::subsethit(const setword* set, double& ref, double configs) {
  const double params = configs * (d.categ[i] - 1);
  const double limit = p.aicscore ? -params : -params * 0.5 * std::log(double(d.data.n));
  const setlist& list = cache[i];
  for (size_t c = 0; c < list.size(); ++c) {
    if (!within(list.key(c), set, words)) continue;
    const double sc = list.values[c];
    ref = std::max(ref, sc);
    if (sc > limit) return true;
  }
  return false;
}

void builder::store(const setword* set, double u, double ref) {
  if (u <= impossible) return;
  const bool ok = satisfies(set);
  if (!ok || (prune && u <= ref)) {
    if (ok) ++lemma;
    next.push(set, ref);
    addnodes(1);
    return;
  }
  next.push(set, u);
  addnodes(1);
  cache[i].push(set, u);
  addnodes(1);
}

void builder::memorycheck() {
  ++candidates;
  const double m = resources::memkbs / 1024;
  if (m > peak) {
    if (m - 10 > lastmaxmem) {
      lastmaxmem = m;
      if (p.verbose > 1) info("increasing memory usage (MB) to ", m, " (NA)");
    }
    peak = m;
  }
  if (m > p.maxmem) fatal("Not enough memory (%lfMB) for buildmap\n", peak);
}

// Final assembly: per variable, in set order, the sets above the impossible score that
// no better-scoring subset in the list beats, then sorted ascending by score (ties stay
// in set order), best last.
std::vector<parentsetlist> builder::assemble(double& logsearchspace, int& cachesize) {
  logsearchspace = 0;
  cachesize = 0;
  std::vector<parentsetlist> result(n);
  std::vector<size_t> kept;
  for (int k = 0; k < n; ++k) {
    const setlist& list = cache[k];
    kept.clear();
    int most = 0;
    for (size_t e = 0; e < list.size(); ++e) {
      if (list.values[e] <= impossible || bettersubset(list, kept, e)) continue;
      kept.push_back(e);
      most = std::max(most, setsize(list.key(e), words));
    }
    if (p.verbose > 0) {
      info("cache-node=", k, " #final-elements=", kept.size(), " #max-number-parents=", most - 1);
    }
    cachesize += int(kept.size());
    logsearchspace += std::log(double(kept.size()));
    dropnodes(list.size());
    std::stable_sort(kept.begin(), kept.end(),
                     [&](size_t x, size_t y) { return list.values[x] < list.values[y]; });
    parentsetlist& out = result[k];
    out.reserve(kept.size());
    for (size_t e : kept) {
      matrix<char> vec(n, 1, 0);
      for (int v = 0; v < n; ++v) vec[v] = hasbit(list.key(e), v) ? 1 : 0;
      out.emplace_back(list.values[e], std::move(vec));
    }
    cache[k].clear();
  }
  if (p.verbose > 0) {
    info("function buildmap #local-score-calls=", candidates, " memory-usage(MB)=", peak);
  }
  return result;
}

// True when a kept entry (all in set order, so all before e) is a strictly better
// subset of entry e. Small sets enumerate their subsets and look each up by binary
// search; large ones scan the kept entries.
bool builder::bettersubset(const setlist& list, const std::vector<size_t>& kept, size_t e) {
  const setword* set = list.key(e);
  const double value = list.values[e];
  std::vector<int> members;
  for (int v = 0; v < n; ++v)
    if (hasbit(set, v)) members.push_back(v);
  const int free = int(members.size());
  if (free >= 20 || (size_t(1) << free) > kept.size()) {
    for (size_t f : kept)
      if (list.values[f] > value && within(list.key(f), set, words)) return true;
    return false;
  }
  auto below = [&](size_t f, const std::vector<setword>& key) {
    return setless(list.key(f), key.data(), words);
  };
  std::vector<setword>& key = trial;
  for (uint32_t mask = 0; mask + 1 < (uint32_t(1) << free); ++mask) {
    std::fill(key.begin(), key.end(), 0);
    for (int m = 0; m < free; ++m)
      if (mask >> m & 1) addbit(key.data(), members[m]);
    const auto at = std::lower_bound(kept.begin(), kept.end(), key, below);
    if (at != kept.end() && !setless(key.data(), list.key(*at), words) &&
        list.values[*at] > value)
      return true;
  }
  return false;
}

}  // namespace

std::vector<parentsetlist> buildmap(const io& d, const params& p, double& logsearchspace,
                                    int& cachesize) {
  builder b(d, p);
  if (p.node >= 0) {
    if (p.node < d.n) b.variable(p.node);
  } else {
    for (int i = 0; i < d.n; ++i) b.variable(i);
  }
  return b.assemble(logsearchspace, cachesize);
}
