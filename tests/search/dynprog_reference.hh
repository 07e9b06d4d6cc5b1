// A plain dynamic programming over variable sets for comparison with dynprog: ordered
// maps keyed by 0/1 vectors, pushing every set of a level to its supersets in key order,
// positions of predecessors as back-pointers, and the memory counter simulated entry by
// entry, one node of (64 + n) bytes per stored key in the value and index maps.
#pragma once

#include <map>
#include <vector>

#include "core/resources.hh"
#include "io/io.hh"

namespace testsupport {

struct dpreference {
  double value = -1e100;
  int code = 0;
  double stopmb = 0;  // counter in MB at a memory stop
  std::vector<size_t> levels;  // the number of sets of each level processed
  matrix<char> structure;
};

using setkey = std::vector<char>;

// The first entry of j from the best end that lies inside `inside` and agrees with the
// allowance row of j; -1 when there is none.
inline int reference_best_family(const io& d, int j, const setkey& inside) {
  const parentsetlist& list = d.cache[j];
  for (int e = int(list.size()) - 1; e >= 0; --e) {
    bool ok = true;
    for (int k = 0; k < d.n && ok; ++k) {
      const bool member = list[e].second[k] != 0;
      const char rule = d.allow(j, k);
      ok = !(member && !inside[k]) && !(rule == 1 && member) && !(rule == -1 && !member);
    }
    if (ok) return e;
  }
  return -1;
}

inline dpreference reference_dynprog(const io& d, int maxmem) {
  const int n = d.n;
  const double cost = 0.0625 + n / 1024.0;
  dpreference out;
  out.structure = matrix<char>(n, n, 0);
  std::map<setkey, double> cur{{setkey(n, 0), 0.0}}, next;
  std::vector<std::map<setkey, int>> index(n + 1);
  index[0][setkey(n, 0)] = 0;
  double mem = resources::memkbs + 2 * cost;
  for (int k = 0; k < n; ++k) {
    mem -= cost * double(next.size());
    next.clear();
    out.levels.push_back(cur.size());
    int position = 0;
    for (const auto& [set, total] : cur) {
      for (int j = 0; j < n; ++j) {
        if (set[j]) continue;
        setkey grown = set;
        grown[j] = 1;
        const int e = reference_best_family(d, j, grown);
        if (e < 0) continue;
        const double v = total + d.cache[j][e].first;
        auto found = next.find(grown);
        if (found != next.end() && found->second >= v) continue;
        if (found == next.end()) mem += 2 * cost;
        next[grown] = v;
        index[k + 1][grown] = position;
        if (mem / 1024 > maxmem) {
          out.code = 14;
          out.stopmb = mem / 1024;
          return out;
        }
      }
      ++position;
    }
    std::swap(cur, next);
  }
  if (cur.size() != 1) return out;  // no network at all: value stays -1e100
  out.value = cur.begin()->second;
  setkey rest(n, 1);
  for (int k = n - 1; k >= 0; --k) {
    auto at = index[k].begin();
    std::advance(at, index[k + 1][rest]);
    const setkey& before = at->first;
    int x = 0;
    while (before[x] == rest[x]) ++x;
    const matrix<char>& family = d.cache[x][reference_best_family(d, x, rest)].second;
    for (int v = 0; v < n; ++v) out.structure(x, v) = family[v];
    rest = before;
  }
  return out;
}

}  // namespace testsupport
