// score's counting from a prefix of parents, over the merged rows of prefixcounts.
//
// Measured with callgrind on alarm-cl_10000, BIC, variable 0 with at most 6 parents
// (921379 score calls, every score and counter unchanged): see bench/buildmap_nolimit.sh.
#include <algorithm>
#include <cmath>

#include "scoring/score.hh"

void score::setprefix(const matrix<int>& fam, int childvar) {
  setfamily(fam, childvar);
  prepare();
  // Entries given as weight vectors (byte 255) have no state to rank by: such families
  // take scorefamily's way, whatever the levels hold.
  if (!columns.compact || !familycomplete()) return;
  if (mergedstate == merge::untried)
    mergedstate = merged.bind(columns, nrecords) ? merge::bound : merge::refused;
  if (mergedstate != merge::bound) return;
  prefixstates.clear();
  for (int p : parents) prefixstates.push_back(family[p]);
  merged.setparents(child, nstates, parents.data(), prefixstates.data(), int(parents.size()));
}

// Whether the current family is the prefix's plus extra.
bool score::extends(int extra) const {
  const int depth = merged.depth();
  if (int(parents.size()) != depth + 1 || parents.back() != extra) return false;
  for (int d = 0; d < depth; ++d)
    if (merged.var(d) != parents[size_t(d)] || merged.states(d) != family[parents[size_t(d)]])
      return false;
  return true;
}

// The bound: the log-likelihood at most merged.loglikbound(), at least -N ln r (every
// configuration's child distribution has at most ln r nats of entropy), minus the
// penalty. Both sums round by far less than 1e-9 per record, which the slack allows for.
bool score::extensionwithin(const matrix<int>& fam, int childvar, int extra, double floor,
                            double ceiling) {
  setfamily(fam, childvar);
  prepare();
  if (alpha > 0 || verbose > 3 || !columns.compact || mergedstate != merge::bound ||
      !familycomplete() || !extends(extra))
    return false;
  const double n = double(nrecords), logn = std::log(n);
  const double params = double(nconfigs) * (nstates - 1);
  const double penalty = aic ? params : params * 0.5 * logn;
  const double slack = 1e-9 * n * (logn + 1);
  return merged.loglikbound() - penalty < ceiling - slack &&
         -n * std::log(double(nstates)) - penalty > floor + slack;
}

double score::scoreextension(const matrix<int>& fam, int childvar, int extra, double& a,
                             double& b) {
  setfamily(fam, childvar);
  prepare();
  if (verbose > 3 || !columns.compact || mergedstate != merge::bound || !familycomplete() ||
      !extends(extra))
    return scorefamily(fam, childvar, a, b);
  const uint32_t rv = uint32_t(family[extra]), r = uint32_t(nstates);
  // As in scorefamily, a table much larger than what fills it costs more to clear and
  // scan than sorting the rows' cells; here up to 8 cells per merged row are scanned
  // (child-cl_10000 BDeu, 1000 records, variable 2: 6.3 s with scorefamily's 2, 5.5 s
  // with 8, 5.9 s with 32; alarm-cl_10000 BIC unchanged). Before that, the table drops
  // the configurations of the prefix that no record has (BDeu always).
  const auto dense = [&](double size) {
    return size <= densecells && size <= 8.0 * merged.rows() + 1024;
  };
  if (alpha > 0 || !dense(double(merged.observed()) * rv * r)) merged.rankprefix();
  const long configs = merged.observed() * long(rv);
  const double size = double(configs) * r;
  if (dense(size)) {
    if (exttable.size() < size_t(size)) exttable.resize(size_t(size), 0);
    merged.fill(extra, rv, r, exttable.data());
    return scantable(exttable.data(), configs, true, a, b);
  }
  merged.sortcells(extra, rv, r, mergedcells, mergedweights);
  return scanruns(mergedcells.data(), mergedweights.data(), mergedcells.size(), a, b);
}
