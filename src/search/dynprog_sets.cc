#include "search/dynprog_sets.hh"

#include <cmath>

namespace dpsets {

binomials::binomials() {
  for (int a = 0; a <= maxvars; ++a) {
    table[a][0] = 1;
    for (int b = 1; b <= maxvars; ++b)
      table[a][b] = a == 0 ? 0 : table[a - 1][b - 1] + table[a - 1][b];
  }
}

uint64_t rank_of(const binomials& c, setmask set) {
  uint64_t rank = 0;
  int i = 1;
  for (int b = 0; set != 0; ++b, set >>= 1)
    if (set & 1u) rank += c(b, i++);
  return rank;
}

namespace {

// An entry fits row j of the allowance matrix when it holds every required parent
// (element -1) and no forbidden one (element 1); the variable's own element counts too.
bool agrees_with_allow(const io& d, int j, const matrix<char>& family) {
  if (d.allow.n != d.n) return true;
  for (int k = 0; k < d.n; ++k) {
    const char rule = d.allow(j, k);
    if ((rule == 1 && family[k] != 0) || (rule == -1 && family[k] == 0)) return false;
  }
  return true;
}

}  // namespace

familytable::familytable(const io& d) {
  const int n = d.n;
  start.push_back(0);
  for (int j = 0; j < n; ++j) {
    const parentsetlist& list = d.cache[j];
    for (int e = int(list.size()) - 1; e >= 0; --e) {
      const matrix<char>& family = list[e].second;
      if (!agrees_with_allow(d, j, family)) continue;
      setmask parents = 0;
      for (int k = 0; k < n; ++k)
        if (k != j && family[k] != 0) parents |= bit_of(n, k);
      masks.push_back(parents);
      scores.push_back(list[e].first);
      origins.push_back(e);
    }
    tops.push_back(int(masks.size()) > start.back() ? scores[start.back()] : -HUGE_VAL);
    masks.push_back(0);
    scores.push_back(0.0);
    origins.push_back(-1);
    start.push_back(int(masks.size()));
  }
  masks.insert(masks.end(), 3, 0);
}

}  // namespace dpsets
