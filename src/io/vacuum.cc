#include <algorithm>
#include <cmath>
#include <sstream>

#include "core/fail.hh"
#include "io/io.hh"

namespace {

// Ascending score, ties by parent-set order (subsets first). A NaN score counts as the
// lowest, so that the order stays strict and weak whatever a cache file holds.
bool before(const std::pair<double, matrix<char>>& a, const std::pair<double, matrix<char>>& b) {
  const bool anan = std::isnan(a.first), bnan = std::isnan(b.first);
  if (anan != bnan) return anan;
  if (!anan && a.first != b.first) return a.first < b.first;
  return a.second < b.second;
}

// The family-size test: the sum over all variables of ln(states x membership) must stay
// below ln(maxtreewidth + 0.0001). A non-member contributes ln 0 = -inf, so only a set
// holding every variable can fail; the sum is formed only then.
bool family_fits(const matrix<char>& set, const matrix<int>& categ, double bound, int members) {
  double sum = -INFINITY;
  if (members == set.size()) {
    sum = 0.0;
    for (int k = 0; k < set.size(); ++k) sum += std::log(double(categ[k]) * double(set[k]));
  }
  return bound > sum;
}

}  // namespace

// Applies the parent limits, refuses a variable without parent sets, sorts every list
// best-last and recomputes cachesize and logsearchspace. With `only` a variable index,
// that variable is the whole cache (a job that builds one variable's list).
void io::vacuum(const params& p, int only) {
  if (maxparents.size() < n) maxparents = matrix<int>(n, 1, n - 1);
  check(int(cache.size()) >= n, "cache.size() >= n");
  const double bound = std::log(p.maxtreewidth + 0.0001);
  cachesize = 0;
  for (int i = 0; i < n; ++i) {
    maxparents[i] = std::min(maxparents[i], p.globalmaxparents);
    if (only >= 0 && i != only) continue;
    parentsetlist& list = cache[i];
    if (list.empty())
      fatal("Cache for variable [%d] has no parent set options - no possible Bayesian net", i);
    const long long limit = (long long)maxparents[i] + 1;
    size_t kept = 0;
    for (size_t e = 0; e < list.size(); ++e) {
      const matrix<char>& set = list[e].second;
      int members = 0;
      for (int k = 0; k < set.size(); ++k) members += set[k] != 0;
      if (members > limit || !family_fits(set, categ, bound, members)) continue;
      if (kept != e) list[kept] = std::move(list[e]);
      ++kept;
    }
    list.resize(kept);
    std::stable_sort(list.begin(), list.end(), before);
    cachesize += int(kept);
  }
  if (p.verbose > 1)
    messaging(infolevel, "After cleaning, cache contains " + std::to_string(cachesize) + " scores");
  logsearchspace = 0.0;
  for (int i = 0; i < n; ++i)
    if (only < 0 || i == only) logsearchspace += std::log(double(cache[i].size()));
  if (p.verbose > 1) {
    std::ostringstream text;
    text << "Potential log(search-space) is " << logsearchspace;
    messaging(infolevel, text.str());
  }
}
