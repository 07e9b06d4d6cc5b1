#include <algorithm>
#include <sstream>
#include <vector>

#include "core/rng.hh"
#include "export/ampl.hh"

namespace {
// The sampling passes end after this many even when cyclecuts asks for more, so that
// the writer ends whatever the option says: a pass draws a parent set per variable and
// enumerates the cycles of the result (100000 passes over nine variables: 0.06 s). A
// larger cyclecuts still bounds the number of cuts written.
constexpr long long most_cycle_passes = 100000;
}  // namespace

// Candidate cycles for the cuts. The union of all cached sets of every variable is a
// super-structure; a variable neither in its last-completed strong component nor below
// any component cannot help close a cycle among the others' choices, so it keeps only
// its best set. The cycles of the best sets, and of `cyclecuts` random choices drawn
// from the better half of each list, are collected; the set orders them shortest first.
cycleset ampl::cyclecandidates() const {
  std::vector<bitmap> sel;
  sel.reserve(n);
  for (int j = 0; j < n; ++j) {
    sel.emplace_back(int(d.cache[j].size()));
    sel[j].setfirst(int(d.cache[j].size()));
  }
  matrix<char> structure(n, n, 0);
  matrix<int> adj(n, n, 0);
  bitmap::upperfrombitmap(sel.data(), structure, d.cache.data());
  getAdjChild(structure, adj, -1);
  tarjan components(n);
  components.strongcomp(adj);
  const bitmap& first = components.components.front();
  for (int k = 0; k < n; ++k) {
    const int h = sel[k].highest();
    if (!components.below.test(k) && !first.test(k)) sel[k].keeponly(h);
    const int low = sel[k].lowest();
    std::ostringstream line;
    line << "node " << k << " has " << sel[k].sum() << " scores in [" << low << "("
         << d.cache[k][low].first << ")," << h << "(" << d.cache[k][h].first << ")]";
    io::messaging(io::debuglevel, line.str());
  }
  // Without cuts the cycles would go unused, and enumerating them is exponential.
  const long long K = p.cyclecuts;
  if (K <= 0) return cycleset();
  const long long passes = std::min(K, most_cycle_passes);
  bitmap::frombitmap(sel.data(), structure, d.cache.data());
  getAdjChild(structure, adj, -1);
  cycleset found = acyclicAdj(adj, false, tarjan::incstd);
  RNG draw(p.reseedinterval);
  for (long long pass = 0; pass < passes; ++pass) {
    for (int v = 0; v < n; ++v) {
      const int entries = int(d.cache[v].size());
      const int r = draw(entries / 2);
      // From the best entry, r - 1 entries down (all entries are allowed again).
      sel[v].setfirst(entries);
      sel[v].keeponly(entries - 1 - (r > 1 ? r - 1 : 0));
    }
    bitmap::frombitmap(sel.data(), structure, d.cache.data());
    getAdjChild(structure, adj, -1);
    const cycleset more = acyclicAdj(adj, false, tarjan::incstd);
    found.insert(more.begin(), more.end());
    if ((long long)found.size() > 5 * K) break;
  }
  return found;
}

// One cut per cycle of at least four variables, shortest first, at most cyclecuts:
// the arcs of a cycle cannot all follow the elimination order, so at most L - 1 of
// them do.
void ampl::write_cycle_cuts(FILE* out, const cycleset& cycles, int u) const {
  int written = 0;
  for (const matrix<int>& z : cycles) {
    if (written >= p.cyclecuts) break;
    const int L = z.size();
    if (L < 4) continue;
    fprintf(out, "subject to cas%d: %d >=", u, L - 1);
    for (int i = 0; i < L; ++i) {
      const int a = z[i], b = z[(i + 1) % L];
      if (b < a)
        fprintf(out, " +c[%d,%d]", b, a);
      else
        fprintf(out, " +(1-c[%d,%d])", a, b);
    }
    fprintf(out, ";\n");
    ++u;
    ++written;
  }
}
