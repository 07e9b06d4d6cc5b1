#include "scoring/setlist.hh"

#include <algorithm>
#include <numeric>

void setlist::erase(size_t e) {
  keys.erase(keys.begin() + e * words, keys.begin() + (e + 1) * words);
  values.erase(values.begin() + e);
}

void setlist::sortbyset() {
  std::vector<size_t> order(size());
  std::iota(order.begin(), order.end(), size_t(0));
  std::sort(order.begin(), order.end(),
            [&](size_t x, size_t y) { return setless(key(x), key(y), words); });
  std::vector<setword> k;
  std::vector<double> v;
  k.reserve(keys.size());
  v.reserve(values.size());
  for (size_t e : order) {
    k.insert(k.end(), key(e), key(e) + words);
    v.push_back(values[e]);
  }
  keys.swap(k);
  values.swap(v);
}

long setlist::find(const setword* k) const {
  size_t lo = 0, hi = size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (setless(key(mid), k, words)) lo = mid + 1;
    else hi = mid;
  }
  if (lo < size() && !setless(k, key(lo), words)) return long(lo);
  return -1;
}
