#include "search/bcsearch.hh"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sstream>

#include "core/fail.hh"
#include "core/log.hh"
#include "core/resources.hh"
#include "core/status.hh"
#include "search/stops.hh"

namespace {

// Cuts violated by less than this are not worth a row.
constexpr double minviolation = 1e-3;
// Search nodes the separator may visit per call.
constexpr long separationbudget = 200000;
// Solves a cluster row may stay slack before it leaves the LP.
constexpr int stale = 5;
// Cut rounds per tree node; the root runs until no cut is found.
constexpr int treerounds = 10;
// A column value this close to 0 or 1 counts as integral.
constexpr double integrality = 1e-6;
// Seconds between progress lines.
constexpr double progressevery = 5.0;

}  // namespace

bcsearch::bcsearch(const params& p, const io& d, double cutoff)
    : bestscore(cutoff), boundscore(HUGE_VAL), model(d, cutoff), p(p), d(d), lp(model),
      separator(model), rounding(model), open(model, lp), branching(model, lp),
      incumbent(model.topsum - cutoff) {}

double bcsearch::seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

// Networks within a millionth of a unit of score count as equal: scores come with six
// decimals.
double bcsearch::tolerance() const { return 1e-6; }

double bcsearch::globalbound() const {
  return std::min({incumbent, closed, open.smallestbound(), active});
}

double bcsearch::memorymb() const {
  const double lpbytes = 48.0 * model.columns() + 64.0 * lp.pooled() * model.W +
                         40.0 * (lp.rows() + model.n);
  return (resources::memkbs * 1024.0 + lpbytes + double(open.bytes())) / 1048576.0;
}

bool bcsearch::gapreached() const {
  const double best = model.topsum - incumbent, bound = model.topsum - globalbound();
  if (p.mingap / 100.0 > std::fabs(best / bound - 1.0)) return true;
  return p.abstarget > 0 && (best > p.abstarget || p.abstarget > bound);
}

bool bcsearch::limitreached(int& status) {
  if (nodes >= p.maxiter) {
    reportstop(p, loglevel::warn, iteration_limit_reached);
    status = searchstatus::iteration_limit;
    return true;
  }
  if (seconds() > double(p.maxseconds)) {
    reportstop(p, loglevel::warn, time_limit_reached);
    status = searchstatus::time_limit;
    return true;
  }
  if (interrupted(p, loglevel::warn)) {
    status = searchstatus::interrupted;
    return true;
  }
  const double mb = memorymb();
  peakmb = std::max(peakmb, mb);
  if (mb > double(p.maxmem)) {
    if (p.verbose >= 0) {
      std::ostringstream text;
      text << "Memory limit exceeded. " << mb << " MB used. Stopping";
      logline(loglevel::error, text.str());
    }
    status = searchstatus::memory_limit;
    return true;
  }
  return false;
}

void bcsearch::progress(bool force) {
  const double now = seconds();
  if (p.verbose < 1 || (!force && now - lastprogress < progressevery)) return;
  lastprogress = now;
  const double best = model.topsum - incumbent, bound = model.topsum - globalbound();
  char line[256];
  snprintf(line, sizeof line,
           "Branch-and-cut: %.1fs nodes=%ld open=%zu rows=%d bound=%.6f best=%.6f gap=%.6f%%", now,
           nodes, open.size(), lp.rows(), bound, best, std::fabs(bound / best - 1.0) * 100.0);
  logline(loglevel::info, line);
}

bool bcsearch::tryincumbent(const std::vector<int>& network, double loss) {
  if (!(loss < incumbent - tolerance())) return false;
  incumbent = loss;
  columns = network;
  found = true;
  fixbyreducedcost();
  progress(true);
  return true;
}

// Reduced-cost fixing against the root's proof: a column whose reduced cost lifts the
// root bound to the incumbent cannot be in a better network.
void bcsearch::fixbyreducedcost() {
  if (rootdj.empty()) return;
  const double limit = incumbent - tolerance();
  for (int j = 0; j < model.columns(); ++j)
    if (lp.live(j) && rootbound + rootdj[j] >= limit) lp.fix(j);
  lp.compact();
}

bool bcsearch::integral(const double* x) {
  chosen.assign(size_t(model.n), -1);
  for (int j = 0; j < model.columns(); ++j) {
    if (x[j] > integrality && x[j] < 1.0 - integrality) return false;
    if (x[j] >= 1.0 - integrality) chosen[model.child[j]] = j;
  }
  for (int v = 0; v < model.n; ++v)
    if (chosen[v] < 0) return false;
  return true;
}

// An integral LP solution: an acyclic one is the node's optimum (a new incumbent when
// better); a cyclic one gets the cuts of its strong components. True when settled.
bool bcsearch::settleintegral(double b) {
  found_clusters.clear();
  if (separator.cycles(chosen, found_clusters) == 0) {
    double loss = 0.0;
    for (int j : chosen) loss += model.loss[j];
    tryincumbent(chosen, loss);
    closed = std::min(closed, b);
    return true;
  }
  const int added = lp.addcuts(found_clusters, 0.5);
  check(added > 0, "a cycle of an integral solution is cut off");
  cutsfound += added;
  return false;
}

// One round of cuts for the LP solution in hand: pooled cuts it violates come back;
// without any, the separator looks for order-1 clusters and, when none is violated,
// for order-2 triangles (cheap) and, at the root, for order-2 clusters. Returns the
// rows added.
int bcsearch::cutround(bool root) {
  lp.dropslack(stale);
  int added = lp.restorepooled(minviolation);
  if (added > 0) return added;
  std::vector<setword>& cuts = found_clusters;
  const double* x = lp.x();
  cuts.clear();
  long visited = 0;
  separator.separate(x, 1, minviolation, separationbudget, cuts, visited);
  if (cuts.empty()) separator.triangles(x, minviolation, cuts);
  if (cuts.empty() && root) separator.separate(x, 2, minviolation, separationbudget, cuts, visited);
  added = lp.addcuts(cuts, minviolation);
  cutsfound += added;
  return added;
}

// Settles a node by rounds of LP solves and cuts: pruned, closed by an integral
// solution, or left to branch when no cut is violated enough (or, below the root,
// after treerounds rounds).
bcsearch::settled bcsearch::process(const bcnode& node, bool root, int& status) {
  double b = node.bound;
  for (int rounds = 0;; ++rounds) {
    if (rounds > 0 && seconds() > double(p.maxseconds)) {
      reportstop(p, loglevel::warn, time_limit_reached);
      status = searchstatus::time_limit;
      return stop;
    }
    if (rounds > 0 && interrupted(p, loglevel::warn)) {
      status = searchstatus::interrupted;
      return stop;
    }
    const clusterlp::outcome o = lp.solve(incumbent - tolerance());
    if (o == clusterlp::failed) {
      reportstop(p, loglevel::warn, "The LP solver failed. Stopping");
      status = searchstatus::memory_limit;
      return stop;
    }
    if (rounds == 0 && !node.path.empty())
      branching.observe(node.path.back(), node.change,
                        (o == clusterlp::pruned ? incumbent : lp.bound()) - node.bound);
    if (o == clusterlp::pruned) return done;
    b = std::max(b, lp.bound());
    if (root) {
      rootdj = lp.reducedcosts();
      rootbound = lp.bound();
      fixbyreducedcost();
    }
    if (integral(lp.x())) {
      if (settleintegral(b)) return done;
      continue;
    }
    if (root || rounds == 0) {
      std::vector<int> network;
      const double loss = rounding.round(lp.x(), network);
      tryincumbent(network, loss);
      if (b >= incumbent - tolerance()) return done;
    }
    const int added = cutround(root);
    if (root && p.verbose >= 2) {
      std::ostringstream text;
      text << "root round " << rounds << ": loss bound " << b << ", " << added << " cuts, "
           << lp.rows() << " rows";
      logline(loglevel::debug, text.str());
    }
    if (added == 0 || (!root && rounds + 1 >= treerounds)) return branch;
  }
}

// Branches the node in hand: the child to search first stays in node, the other is
// queued with the node's basis. True when the search should dive into node.
bool bcsearch::split(bcnode& node) {
  arcdecision arc{};
  double change = 0.0;
  const double b = std::max(node.bound, lp.bound());
  check(branching.choose(b, incumbent - tolerance(), arc, change),
        "a fractional solution has a fractional arc");
  std::vector<uint32_t> basis;
  lp.savebasis(basis);
  bcnode other{b, node.path, 1.0 - change, basis};
  other.path.push_back({arc.parent, arc.child, !arc.required});
  node.bound = b;
  node.change = change;
  node.path.push_back(arc);
  open.push(std::move(other));
  const double floor = open.smallestbound();
  if (b <= floor + 0.25 * (incumbent - floor)) return true;
  node.basis = std::move(basis);
  open.push(std::move(node));
  return false;
}

int bcsearch::search() {
  started = std::chrono::steady_clock::now();
  int status = searchstatus::finished;
  bool feasible = true;
  for (int v = 0; v < model.n; ++v) feasible &= !model.empty(v);
  try {
    // A variable without a family left: nothing beats the cutoff.
    if (feasible) loop(status);
  } catch (const std::bad_alloc&) {
    // The machine refused memory: stop as at a limit, with what the search has.
    reportstop(p, loglevel::warn, "Out of memory. Stopping");
    status = searchstatus::memory_limit;
  }
  bestscore = model.topsum - incumbent;
  boundscore = model.topsum - globalbound();
  return status;
}

// Plunging: after a branching the search goes on with one child while its bound stays
// within a quarter of the gap above the best open bound (the LP keeps the parent's
// basis, a few pivots away); otherwise it takes the best open node and its saved basis.
// The node in hand counts in the global bound (active) until it is settled or queued.
void bcsearch::loop(int& status) {
  bcnode node{0.0, {}, 0.0, {}};
  bool diving = true;
  while (diving || !open.empty()) {
    const bool dived = diving;
    if (!diving) node = open.pop();
    diving = false;
    if (node.bound >= incumbent - tolerance()) continue;
    active = node.bound;
    if (limitreached(status)) {
      open.push(std::move(node));
      return;
    }
    open.apply(node.path);
    if (!dived && !node.basis.empty()) lp.loadbasis(node.basis);
    const settled s = process(node, nodes++ == 0, status);
    if (s == stop) {
      open.push(std::move(node));
      return;
    }
    if (s == branch) diving = split(node);
    active = diving ? node.bound : HUGE_VAL;
    if (!diving && open.empty()) return;
    if (gapreached()) {
      reportstop(p, loglevel::info, "Desired minimum gap achieved. Stopping");
      status = searchstatus::gap_reached;
      if (diving) open.push(std::move(node));
      return;
    }
    progress(false);
  }
}
