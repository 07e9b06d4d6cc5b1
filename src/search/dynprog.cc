#include "search/dynprog.hh"

#include <cmath>
#include <cstdint>
#include <ctime>
#include <iomanip>
#include <limits>
#include <sstream>
#include <utility>
#include <vector>

#include "core/fail.hh"
#include "core/status.hh"
#include "core/graph.hh"
#include "core/resources.hh"
#include "search/dynprog_sets.hh"
#include "search/stops.hh"
#include "search/summary.hh"

namespace {

using dpsets::setmask;

constexpr double no_solution = -1e100;
constexpr double unreached = -std::numeric_limits<double>::infinity();
constexpr uint8_t no_variable = 0xFF;

constexpr int finished = searchstatus::finished;
constexpr int out_of_memory = searchstatus::memory_limit;
constexpr int out_of_time = searchstatus::heuristic_time_limit;
constexpr int stopped = searchstatus::interrupted;

// The number of sets in the widest level, C(n, n/2), exact while it fits a double.
double widest_level(int n) {
  double sets = 1;
  for (int i = 1; i <= n / 2; ++i) sets = sets * (n - n / 2 + i) / i;
  return sets;
}

// No level of 32 or fewer variables holds more than 2^30 sets (C(32,16) is about 6e8);
// beyond that the widest level alone is over the limit. Checked before any set mask is
// formed: the masks hold 32 variables.
bool toowide(const params& p, int n) {
  if (n <= dpsets::maxvars) return false;
  if (p.verbose >= 0) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(0) << "Memory exausted. Needs " << widest_level(n)
         << " items to process";
    io::messaging(io::errorlevel, text.str());
  }
  return true;
}

// The working data of one forward pass and its reconstruction.
//
// Level k is held densely: value[rank] is the best total score of the k-set of that
// rank (unreached when no network over exactly that set satisfies the constraints), and
// last[k][rank] the variable placed last in it. Only two levels of values live at a
// time; the last-variable bytes of every level stay for the walk back.
//
// The memory counter is charged as if every reached set were one node in an ordered
// value map and one in an ordered index map, (64 + n) / 1024 KB each, so that the memory
// limit stops the search after the same number of stored sets whatever the layout.
// Every charge is a multiple of 1/1024, so the double counter stays exact and does not
// depend on the order of the charges.
class subsetpass {
 public:
  subsetpass(const params& p, const io& d)
      : p(p), d(d), n(d.n), families(d), entrykb(0.0625 + double(d.n) / 1024.0) {}
  ~subsetpass() { resources::memkbs -= accountedkb; }

  int forward(double& best);
  void reconstruct(matrix<char>& structure) const;

 private:
  const params& p;
  const io& d;
  const int n;
  dpsets::binomials c;
  dpsets::familytable families;
  const double entrykb;
  double accountedkb = 0.0;
  std::time_t started = std::time(nullptr);
  std::vector<double> value;
  std::vector<double> nextvalue;
  std::vector<std::vector<uint8_t>> last;
  std::vector<uint64_t> reached;

  int build_level(int t);
  void charge(double kb) {
    resources::memkbs += kb;
    accountedkb += kb;
  }
  bool memory_exceeded() const;
  bool time_exceeded() const;
};

bool subsetpass::memory_exceeded() const {
  const double mb = resources::memkbs / 1024.0;
  if (mb <= double(p.maxmem)) return false;
  if (p.verbose >= 0) {
    std::ostringstream text;
    text << "Memory limit exceeded. " << mb << " MB used. Stopping";
    io::messaging(io::errorlevel, text.str());
  }
  return true;
}

bool subsetpass::time_exceeded() const {
  if (std::difftime(std::time(nullptr), started) <= double(p.maxseconds)) return false;
  reportstop(p, io::errorlevel, time_limit_reached);
  return true;
}

// Builds level t from level t-1 by pulling: for each t-set T in key order, every member
// j in increasing variable order gives the predecessor S = T \ {j}, which is exactly the
// key order of the predecessors, so keeping the first of equal totals (strictly greater
// replaces) is the rule "the predecessor met first wins". j contributes the score of its
// best family inside S. The ranks of the predecessors come from T's rank by splitting
// the combinatorial sum at the removed bit: the terms below it stay, those above it drop
// one index. Cost: C(n,t) * t predecessor visits, each one scan of j's families.
int subsetpass::build_level(int t) {
  const uint64_t slots = c(n, t);
  last[t].assign(slots, no_variable);
  uint8_t* lastvar = last[t].data();
  const double* in = value.data();
  double* out = nextvalue.data();
  uint64_t count = 0;
  setmask set = setmask((uint64_t(1) << t) - 1);
  for (uint64_t r = 0; r < slots; ++r, set = dpsets::next_same_size(set)) {
    if ((r & 1023) == 0) {
      if (time_exceeded()) return out_of_time;
      if (interrupted(p, io::errorlevel)) return stopped;
    }
    double best = unreached;
    uint8_t bestvar = no_variable;
    uint64_t below = r, above = 0;
    int i = t;
    for (setmask bits = set; bits != 0; --i) {
      const int b = 31 - __builtin_clz(bits);
      bits ^= setmask(1) << b;
      below -= c(b, i);
      const double base = in[below + above];
      above += c(b, i - 1);
      const int j = dpsets::variable_of(n, b);
      // No family of j beats its best one, so the scan cannot change the leader (an
      // unreached S, at -infinity, is skipped here too).
      if (!(base + families.top(j) > best)) continue;
      const int e = families.first_inside(j, set ^ (setmask(1) << b));
      if (e == families.end(j)) continue;
      const double total = base + families.score(e);
      if (total > best) {
        best = total;
        bestvar = uint8_t(j);
      }
    }
    out[r] = best;
    if (bestvar == no_variable) continue;
    lastvar[r] = bestvar;
    ++count;
    charge(2 * entrykb);
    if (memory_exceeded()) return out_of_memory;
  }
  reached[t] = count;
  return finished;
}

// The forward pass over the levels 0..n-1; best receives the total of the full set.
int subsetpass::forward(double& best) {
  const uint64_t widest = c(n, n / 2);
  value.assign(widest, unreached);
  nextvalue.assign(widest, unreached);
  last.assign(n + 1, std::vector<uint8_t>());
  reached.assign(n + 1, 0);
  value[0] = 0.0;
  last[0].assign(1, no_variable);
  reached[0] = 1;
  charge(2 * entrykb);
  for (int k = 0; k < n; ++k) {
    if (k >= 1) charge(-entrykb * double(reached[k - 1]));
    if (p.verbose >= 0) {
      std::ostringstream text;
      text << "dynamic programming processing list " << k << " with #elements=" << reached[k];
      io::messaging(io::infolevel, text.str());
    }
    const int status = build_level(k + 1);
    if (status != finished) return status;
    std::swap(value, nextvalue);
    if (reached[k + 1] == 0)
      fatalerror("No network satisfies the constraints: no ordering of all the variables "
            "admits a parent set for each");
  }
  best = value[0];
  return finished;
}

// Walks back from the full set: the variable placed last in R gets its best family
// inside R minus itself, the one the forward pass counted, and R loses it. Every parent
// is placed before its child, so the structure is acyclic.
void subsetpass::reconstruct(matrix<char>& structure) const {
  setmask rest = setmask((uint64_t(1) << n) - 1);
  for (int t = n; t >= 1; --t) {
    const int x = last[t][dpsets::rank_of(c, rest)];
    check(x != no_variable, "i<n");
    check(!d.cache[x].empty(), "!oio.cache[i].empty()");
    rest ^= dpsets::bit_of(n, x);
    const int e = families.first_inside(x, rest);
    check(e != families.end(x), "itbest != oio.cache[i].rend()");
    const matrix<char>& family = d.cache[x][families.origin(e)].second;
    for (int k = 0; k < n; ++k) structure(x, k) = family[k];
  }
}

}  // namespace

dynprog::dynprog(const params& p, const io& d, double memlimit, const matrix<char>& start,
                 double bestvalue)
    : p(p), d(d), memlimit(memlimit), bestvalue(bestvalue), beststruct(start) {}

double dynprog::dynprog_aux(int& code) {
  code = finished;
  if (d.n <= 0) fatalerror("No network satisfies the constraints: there are no variables");
  if (toowide(p, d.n)) {
    code = out_of_memory;
    return no_solution;
  }
  subsetpass pass(p, d);
  double best = no_solution;
  code = pass.forward(best);
  if (code != finished) return no_solution;
  pass.reconstruct(beststruct);
  return best;
}

int dynprog::run(bool quiet) {
  bestvalue = dynprog_aux(retcode);
  // The memory figure is the limit, and iter is -1: the search counts no iterations.
  if (!quiet) writeresult(p, d, {"dynprog", bestvalue, retcode, memlimit, -1, 0.0}, beststruct);
  check(acyclic(beststruct).size() == 0, "acyclic(bestE).empty()");
  return retcode;
}
