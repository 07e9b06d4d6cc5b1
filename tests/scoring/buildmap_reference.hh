// A plain cache construction for comparison with buildmap: ordered maps keyed by 0/1
// vectors for the cache, NEXT, LEVEL and PRUNED, every look-up and rule done the long
// way (the subset lookups in the cache and then LEVEL, every immediate subset, the
// constraint pass over the whole cache, the final filter over the whole list), scores
// by the plain definition. Returns the lists, the two totals and the log lines.
#pragma once

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/params.hh"
#include "io/constraints.hh"
#include "io/io.hh"
#include "plainscore.hh"

namespace refbuild {

using key = std::vector<char>;
using setmap = std::map<key, double>;

struct outcome {
  std::vector<parentsetlist> lists;
  double logspace = 0;
  int cachesize = 0;
  std::string log;
  long peaknodes = 0;  // the most map nodes alive at a memory check
  long candidates = 0;  // the number of memory checks
};

inline bool satisfies(const io& d, int i, const key& s) {
  matrix<char> v(d.n, 1, 0);
  for (int k = 0; k < d.n; ++k) v[k] = s[k];
  for (int c = 0; c < d.nconstraints; ++c) {
    int ok = 0;
    verifystrucon(d.constraints[c].c_str(), i, v, ok);
    if (ok == 0) return false;
  }
  return true;
}

inline bool within(const key& small, const key& big) {
  for (size_t k = 0; k < small.size(); ++k)
    if (small[k] && !big[k]) return false;
  return true;
}

class builder {
 public:
  builder(const io& d, const params& p) : d(d), p(p), n(d.n), cache(d.n) {}

  void variable(int i) {
    if (p.verbose > 0) log << "[info] Processing variable " << i << "\n";
    key s0(n, 0);
    s0[i] = 1;
    for (int k = 0; k < n; ++k)
      if (d.allow(i, k) == -1) s0[k] = 1;
    double a = 1, b = 1;
    const double first = scoreof(i, s0, a, b);
    cache[i][s0] = satisfies(d, i, s0) ? first : -1e300;
    next = cache[i];
    int calls = 1, lemma = 0, bounds = 0;
    int t = int(std::count(s0.begin(), s0.end(), 1));
    for (; d.maxparents[i] >= t && t < n; ++t) {
      level = next;
      next.clear();
      pruned.clear();
      if (p.verbose > 1)
        log << "[info] cache-node=" << i << " #parentsets=" << t << " #step-elements="
            << level.size() << " current-cache-size=" << cache[i].size() << "\n";
      for (const auto& [e, se] : level) {
        int o = -1;
        for (int k = 0; k < n; ++k)
          if (k != i && e[k] && d.allow(i, k) == 0) o = k;
        for (int pos = o + 1; pos < n; ++pos) {
          if (e[pos] || d.allow(i, pos) != 0 || d.categ[pos] <= 1) continue;
          key s = e;
          s[pos] = 1;
          candidate(i, s, pos, se, calls, lemma, bounds);
        }
      }
    }
    if (p.verbose > 0)
      log << "[info] cache-node=" << i << " #elements=" << cache[i].size() << "\n"
          << "[info] cache-node=" << i << " #score-calls=" << calls << "\n";
    if (p.verbose > 1)
      log << "[info] cache-node=" << i << " #pruned-by-lemma1=" << lemma << "\n"
          << "[info] cache-node=" << i << " #pruned-by-theorem1=" << bounds << "\n"
          << "[info] cache-node=" << i << " #potential-total-discarded="
          << std::pow(2.0, n - 1) - calls << "\n";
    int removed = 0;
    for (auto it = cache[i].begin(); it != cache[i].end();) {
      if (satisfies(d, i, it->first)) {
        ++it;
      } else {
        it = cache[i].erase(it);
        ++removed;
      }
    }
    if (p.verbose > 1 && removed > 0)
      log << "[info] cache-node=" << i << " #pruned-by-constraints=" << removed << "\n";
  }

  outcome assemble() {
    outcome out;
    out.lists.resize(n);
    for (int k = 0; k < n; ++k) {
      parentsetlist& list = out.lists[k];
      int h = 0;
      for (const auto& [c, s] : cache[k]) {
        if (s <= -1e25) continue;
        bool beaten = false;
        for (const auto& [t, other] : list) {
          key o(other.data, other.data + n);
          beaten = beaten || (t > s && within(o, c));
        }
        if (beaten) continue;
        matrix<char> vec(n, 1, 0);
        for (int v = 0; v < n; ++v) vec[v] = c[v];
        list.emplace_back(s, vec);
        h = std::max(h, int(std::count(c.begin(), c.end(), 1)));
      }
      if (p.verbose > 0)
        log << "[info] cache-node=" << k << " #final-elements=" << list.size()
            << " #max-number-parents=" << h - 1 << "\n";
      out.cachesize += int(list.size());
      out.logspace += std::log(double(list.size()));
      std::stable_sort(list.begin(), list.end(),
                       [](const auto& x, const auto& y) { return x.first < y.first; });
    }
    if (p.verbose > 0)
      log << "[info] function buildmap #local-score-calls=" << candidates << " memory-usage(MB)=\n";
    out.log = log.str();
    out.peaknodes = peaknodes;
    out.candidates = candidates;
    return out;
  }

 private:
  const io& d;
  const params& p;
  const int n;
  std::vector<setmap> cache;
  setmap next, level, pruned;
  long candidates = 0;
  long peaknodes = 0;
  std::ostringstream log;

  // The memory check: every node of the four kinds of map counts, the finished
  // variables' caches too.
  void memorycheck() {
    ++candidates;
    long nodes = long(next.size() + level.size() + pruned.size());
    for (const setmap& c : cache) nodes += long(c.size());
    peaknodes = std::max(peaknodes, nodes);
  }

  double scoreof(int i, const key& s, double& a, double& b) const {
    std::vector<int> fam(n, 0);
    for (int k = 0; k < n; ++k) fam[k] = s[k] ? d.categ[k] : 0;
    return plain::localscore(plain::counts(d, fam, i), p.alpha, p.aicscore, d.data.n, a, b);
  }

  void putnext(const key& s, double v) {
    auto it = next.find(s);
    if (it == next.end() || it->second < v) next[s] = v;
  }

  // Whether the BDeu rule on the immediate subsets fires; raises ref on the way.
  bool subsetbound(int i, const key& s, int pos, double& ref, double bound) const {
    for (int j = 0; j < n; ++j) {
      if (j == pos || !s[j]) continue;
      key t = s;
      t[j] = 0;
      const double* found = nullptr;
      auto incache = cache[i].find(t);
      auto inlevel = level.find(t);
      if (incache != cache[i].end()) found = &incache->second;
      else if (inlevel != level.end()) found = &inlevel->second;
      if (!found) continue;
      ref = std::max(ref, *found);
      if (*found > bound) return true;
    }
    return false;
  }

  void candidate(int i, const key& s, int pos, double se, int& calls, int& lemma, int& bounds) {
    if (pruned.count(s)) return;
    double ref = se, a = 1, b = 1, u = 0;
    bool finished = false;
    if (p.alpha > 0) {
      ++calls;
      u = scoreof(i, s, a, b);
      if (ref > a + b) {
        if (p.prunescores) {
          next.erase(s);
          pruned[s] = -1e300;
          ++bounds;
          if (ref >= u) cache[i].erase(s);
          finished = true;
        }
      } else if (p.prunescores && subsetbound(i, s, pos, ref, a + b)) {
        ++bounds;
        finished = true;
      }
    } else {
      if (p.prunescores) {
        double q = 1;
        for (int k = 0; k < n; ++k)
          if (k != i && s[k]) q *= d.categ[k];
        const double count = q * (d.categ[i] - 1);
        const double limit = p.aicscore ? -count : -count * 0.5 * std::log(double(d.data.n));
        for (const auto& [c, sc] : cache[i]) {
          if (!within(c, s)) continue;
          ref = std::max(ref, sc);
          if (sc > limit) {
            finished = true;
            break;
          }
        }
      }
      if (!finished) {
        ++calls;
        u = scoreof(i, s, a, b);
      }
    }
    if (!finished && u > -1e25) {
      if (!satisfies(d, i, s)) {
        putnext(s, ref);
      } else if (p.prunescores && u <= ref) {
        ++lemma;
        putnext(s, ref);
      } else {
        putnext(s, u);
        cache[i][s] = u;
      }
    }
    memorycheck();
  }
};

inline outcome build(const io& d, const params& p) {
  builder b(d, p);
  if (p.node >= 0) {
    if (p.node < d.n) b.variable(p.node);
  } else {
    for (int i = 0; i < d.n; ++i) b.variable(i);
  }
  return b.assemble();
}

}  // namespace refbuild
