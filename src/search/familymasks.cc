#include "search/familymasks.hh"

familymasks::familymasks(const io& d) : W(wordsfor(d.n)), at(d.cache.size()) {
  size_t total = 0;
  for (size_t v = 0; v < d.cache.size(); ++v) {
    at[v] = total;
    total += d.cache[v].size() * size_t(W);
  }
  bits.assign(total, 0);
  for (size_t v = 0; v < d.cache.size(); ++v)
    for (size_t e = 0; e < d.cache[v].size(); ++e)
      maskof(int(v), d.cache[v][e].second, &bits[at[v] + e * size_t(W)]);
}

void familymasks::maskof(int v, const matrix<char>& family, setword* out) const {
  for (int w = 0; w < W; ++w) out[w] = 0;
  for (int q = 0; q < family.size(); ++q)
    if (q != v && family[q] > 0) addbit(out, q);
}

