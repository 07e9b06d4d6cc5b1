#include "search/bbsearch.hh"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include "core/elim.hh"
#include "core/fail.hh"
#include "core/status.hh"

bbsearch::bbsearch(const params& p, const io& d, double& best, matrix<char>& bestE, int& status)
    : p(p), d(d), n(d.n), lists(d.cache.data()), best(best), bestE(bestE), status(status),
      up(d.n), below(d.n), comp(d.n), relax(d.n, d.n), unionm(d.n, d.n),
      adj(d.n, d.n), tj(d.n), graph(d.n), chosen(size_t(d.n), 0), cycles(d.n),
      widthlimit(std::log(p.maxtreewidth + 1.0)), pmasks(d) {
  perVar.reserve(size_t(n));
  saved.reserve(size_t(n));
  double total = 0.0;
  for (int v = 0; v < n; ++v) {
    perVar.emplace_back(int(lists[v].size()));
    saved.emplace_back(int(lists[v].size()));
    total += std::log(double(d.categ[v]));
  }
  // A width is a sum of some variables' weights, so it never exceeds the total; the
  // margin covers the different order of summation inside the elimination.
  widthcanbind = !(total + 1e-9 <= widthlimit);
  tabulate();
}

// The tables that turn the per-child work into word operations: building a relaxation's
// graph reads one parent mask per variable instead of n cells, and a child's restriction
// is one masked copy of the variable's bitmap instead of a test of every allowed entry.
void bbsearch::tabulate() {
  size_t ho = 0, widest = 0;
  varat.resize(size_t(n));
  rows.resize(size_t(n));
  int at = 2 * up.gN();  // the record's below and comp bitmaps come first
  for (int v = 0; v < n; ++v) {
    varat[v] = at;
    at += perVar[v].gN();
  }
  holdingat.resize(size_t(n));
  for (int v = 0; v < n; ++v) {
    holdingat[v] = ho;
    ho += size_t(n) * size_t(perVar[v].gN());
    widest = std::max(widest, size_t(perVar[v].gN()));
  }
  holding.assign(ho, 0);
  cut.assign(widest, 0);
  for (int v = 0; v < n; ++v) {
    const size_t words = size_t(perVar[v].gN());
    for (size_t e = 0; e < lists[v].size(); ++e)
      forbits(pmasks.of(v, int(e)), pmasks.W, [&](int q) {
        holding[holdingat[v] + size_t(q) * words + e / 32] |= 1u << (e % 32);
      });
  }
}

double bbsearch::makeroot() {
  int words = 0;
  for (int v = 0; v < n; ++v) {
    perVar[v].setfirst(int(lists[v].size()));
    words += perVar[v].gN();
  }
  {
    std::ostringstream line;
    line << "total scores in the cache (in unities of bitmaps): " << words << "*" << 32;
    io::messaging(io::infolevel, line.str());
  }
  bitmap::upperfrombitmap(perVar.data(), unionm, lists);
  getAdjChild(unionm, adj, -1);
  tj.strongcomp(adj);
  below = tj.below;
  comp = tj.components.front();
  double bound = 0.0;
  for (int v = 0; v < n; ++v) {
    const int h = perVar[v].highest();
    // Fixing a variable outside every cycle is safe for acyclicity but not for a width
    // bound, which may need any variable to give up its best set.
    if (!below.test(v) && !comp.test(v) && !widthcanbind) perVar[v].keeponly(h);
    const int l = perVar[v].lowest();
    std::ostringstream line;
    line << "node " << v << " has " << perVar[v].sum() << " scores in [" << l << "("
         << lists[v][l].first << ")," << h << "(" << lists[v][h].first << ")]";
    io::messaging(io::debuglevel, line.str());
    bound += lists[v][h].first;
  }
  {
    std::ostringstream line;
    line << "B&B initial outer bound=" << bound;
    io::messaging(io::infolevel, line.str());
  }
  setsize(queue, work, words + 2 * below.gN());
  work->set(perVar.data(), below, comp, n);
  *work->gets() = bound;
  if (bound > best) queue->insert(*work);
  return bound;
}

void bbsearch::unpack() {
  work->get(perVar.data(), below, comp, n);
  for (int v = 0; v < n; ++v) {
    if (below.test(v) || comp.test(v)) {
      up.reset(v);
    } else {
      up.set(v);
      if (!widthcanbind) {
        perVar[v].keeponly(perVar[v].highest());
        mirror(v);
      }
    }
  }
}

// The work element keeps the words of perVar, so a child's record is written by
// patching the variables that change and its two component bitmaps instead of packing
// every variable (the packing cost about 1,200 instructions per node on voting_435).
void bbsearch::mirror(int v) {
  std::memcpy(work->getdata() + varat[v], perVar[v].words(), 4 * size_t(perVar[v].gN()));
}

bool bbsearch::passeswidth() {
  if (!widthcanbind) return true;
  fillrelax();
  double width = 0.0;
  bestfirst_elim(relax, d.categ, width);
  return widthlimit >= width;
}

bool bbsearch::gapreached() const {
  if (p.mingap / 100.0 > std::fabs(best / outerbound - 1.0)) return true;
  // A target of 0 (the default) means no target.
  return p.abstarget > 0 && (best > p.abstarget || p.abstarget > outerbound);
}

bool bbsearch::newincumbent(double K, const char* text) {
  best = K;
  fillrelax();
  bestE = relax;
  if (p.verbose > 0) {
    std::ostringstream line;
    line << text << best;
    io::messaging(io::infolevel, line.str());
  }
  if (!gapreached()) return false;
  if (p.verbose >= 0) io::messaging(io::infolevel, "Desired minimum gap achieved. Stopping");
  status = searchstatus::gap_reached;
  return true;
}
