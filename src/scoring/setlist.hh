// setlist: (parent set, score) pairs of the cache construction, the sets kept as rows
// of `words` words (core/wordset.hh) in one flat array. Sorted lists are in the order of
// parent-set vectors (setless), in which every subset precedes its supersets.
#pragma once

#include <cstddef>
#include <vector>

#include "core/wordset.hh"

struct setlist {
  int words = 1;
  std::vector<setword> keys;
  std::vector<double> values;

  size_t size() const { return values.size(); }
  const setword* key(size_t e) const { return keys.data() + e * words; }
  void push(const setword* k, double v) {
    keys.insert(keys.end(), k, k + words);
    values.push_back(v);
  }
  void clear() {
    keys.clear();
    values.clear();
  }
  void erase(size_t e);
  void sortbyset();
  // Index of the set in a list in set order, or -1.
  long find(const setword* k) const;
};
