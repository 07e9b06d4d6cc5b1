// score's counting from a prefix of parents, over the merged rows of prefixcounts.
//
// Measured with callgrind on alarm-cl_10000, BIC, variable 0 with at most 6 parents
// (921379 score calls, every score and counter unchanged): see bench/buildmap_nolimit.sh.
#include <algorithm>

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
  merged.setparents(parents.data(), prefixstates.data(), int(parents.size()));
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

double score::scoreextension(const matrix<int>& fam, int childvar, int extra, double& a,
                             double& b) {
  setfamily(fam, childvar);
  prepare();
  if (verbose > 3 || !columns.compact || mergedstate != merge::bound || !familycomplete() ||
      !extends(extra))
    return scorefamily(fam, childvar, a, b);
  const uint32_t rv = uint32_t(family[extra]), r = uint32_t(nstates);
  const long configs = merged.observed() * long(rv);
  const double size = double(configs) * r;
  // As in scorefamily: a table much larger than what fills it costs more to clear and
  // scan than sorting the rows' cells.
  if (size <= densecells && size <= 2.0 * merged.rows() + 1024) {
    if (exttable.size() < size_t(size)) exttable.resize(size_t(size), 0);
    merged.fill(extra, rv, child, r, exttable.data());
    return scantable(exttable.data(), configs, true, a, b);
  }
  merged.sortcells(extra, rv, child, r, mergedcells, mergedweights);
  return scanruns(mergedcells.data(), mergedweights.data(), mergedcells.size(), a, b);
}
