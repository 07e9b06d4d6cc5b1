// score's counting from a prefix of parents, over the record classes of prefixcounts.
//
// Measured with callgrind on alarm-cl_10000, BIC, variable 0 without a parent limit
// (1083310 score calls, every score and counter unchanged): see bench/buildmap_nolimit.sh.
#include <algorithm>

#include "scoring/score.hh"

void score::setprefix(const matrix<int>& fam, int childvar) {
  setfamily(fam, childvar);
  prepare();
  // Entries given as weight vectors (byte 255) have no state to rank by: such families
  // take scorefamily's way, whatever the classes hold.
  if (!columns.compact || !familycomplete()) return;
  if (!merged.bound()) merged.bind(columns, nrecords);
  prefixstates.clear();
  for (int p : parents) prefixstates.push_back(family[p]);
  merged.setparents(parents.data(), prefixstates.data(), int(parents.size()), child, nstates);
}

// Whether the current family is the prefix's plus extra, with the prefix's child.
bool score::extends(int extra) const {
  const int depth = merged.depth();
  if (merged.child() != child || int(parents.size()) != depth + 1 || parents.back() != extra)
    return false;
  for (int d = 0; d < depth; ++d)
    if (merged.var(d) != parents[size_t(d)] || merged.states(d) != family[parents[size_t(d)]])
      return false;
  return true;
}

double score::scoreextension(const matrix<int>& fam, int childvar, int extra, double& a,
                             double& b) {
  setfamily(fam, childvar);
  prepare();
  if (verbose > 3 || !columns.compact || !merged.bound() || !familycomplete() ||
      !extends(extra))
    return scorefamily(fam, childvar, a, b);
  const uint32_t rv = uint32_t(family[extra]), r = uint32_t(nstates);
  const long configs = merged.configurations(int(rv));
  const double size = double(configs) * r;
  // As in scorefamily: a table much larger than what fills it costs more to clear and
  // scan than sorting the classes' cells.
  if (size <= densecells && size <= 2.0 * double(merged.classes()) + 1024) {
    hist.assign(size_t(size), 0);
    merged.fill(extra, rv, r, hist.data());
    return scantable(hist.data(), configs, a, b);
  }
  merged.sortcells(extra, rv, r, mergedcells, mergedweights);
  return scanruns(mergedcells.data(), mergedweights.data(), mergedcells.size(), a, b);
}
