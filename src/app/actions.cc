#include "app/actions.hh"

#include <iterator>
#include <sstream>

#include "core/fail.hh"
#include "core/log.hh"
#include "export/ampl.hh"
#include "search/branchandbound.hh"
#include "search/branchandcut.hh"
#include "search/dynprog.hh"
#include "search/exactchoice.hh"
#include "search/guessorders.hh"
#include "search/localsearch.hh"

namespace {

// The starting score of every search, lower than any total of local scores.
constexpr double no_solution_yet = -1e100;

matrix<char> empty_structure(const io& d) { return matrix<char>(d.n, d.n, 0); }

// An initial structure given with the data is scored first; a better score than
// initialbest becomes the searches' lower bound.
void evaluate_initial_structure(params& p, const io& d) {
  if (d.hasinitial <= 0) return;
  double value;
  {
    localsearch evaluator(p, d, true);
    evaluator.run(false);
    value = evaluator.curvalue;
  }
  if (p.verbose > 0) {
    std::ostringstream line;
    line << "Using given initial solution with value=" << value;
    logline(loglevel::info, line.str());
  }
  // An impossible total (an inadmissible starting family) is no lower bound.
  if (value > -1e25 && value > p.initialbest) p.initialbest = value;
}

int branch_and_bound(params& p, const io& d) {
  evaluate_initial_structure(p, d);
  branchandbound search(p, d, d.n, d.allow, empty_structure(d), no_solution_yet);
  return search.run(false);
}

int branch_and_cut(params& p, const io& d) {
  evaluate_initial_structure(p, d);
  branchandcut search(p, d);
  return search.run();
}

int dynamic_programming(params& p, const io& d) {
  evaluate_initial_structure(p, d);
  dynprog search(p, d, double(p.maxmem), empty_structure(d), no_solution_yet);
  return search.run(false);
}

int exact_automatic(params& p, const io& d) {
  std::string why;
  const exactengine engine = chooseexact(p, d, why);
  if (p.verbose > 0) logline(loglevel::info, "Exact search by " + why);
  return engine == exactengine::dynamic_programming ? dynamic_programming(p, d)
                                                    : branch_and_cut(p, d);
}

int guess_orders(params& p, const io& d, bool topological) {
  evaluate_initial_structure(p, d);
  logline(loglevel::info, topological
                              ? "Guess orders using topological constraints for parent selection"
                              : "Guess orders using guided greedy parent selection");
  guessorders search(p, d, no_solution_yet, p.forcelocalsearch, true);
  search.topological = topological;
  return search.run(false);
}

int hill_climbing(params& p, const io& d) {
  evaluate_initial_structure(p, d);
  localsearch search(p, d, false);
  return search.run(false);
}

int write_native_cache(params& p, const io& d) {
  d.writeDORVcache(p, empty_structure(d));
  return exitcode::success;
}

int write_model(params& p, const io& d) {
  ampl writer(p, d, d.n);
  writer.cplex_tw();
  return exitcode::success;
}

// The exchange files are written before the initial structure is scored.
int write_helsinki(params& p, const io& d) {
  d.writeHelsinkicache(p);
  evaluate_initial_structure(p, d);
  return exitcode::success;
}

int write_gob(params& p, const io& d) {
  d.writeCussenscache(p);
  evaluate_initial_structure(p, d);
  return exitcode::success;
}

int no_action(params& p, const io& d) {
  evaluate_initial_structure(p, d);
  return exitcode::success;
}

const action actions[] = {
    {0, "branch-and-bound", branch_and_bound, false, true,
     "exact, proves its network optimal; the default choice up to a few dozen variables. "
     "On harder problems give maxminutes or maxmem: it then writes its best network and "
     "the bound on the optimum."},
    {1, "dynamic-programming", dynamic_programming, false, true,
     "exact over all subsets of variables: time and memory grow as 2^n, so up to about "
     "25 variables (32 at most); no treewidth bound."},
    {2, "guess-orders", [](params& p, const io& d) { return guess_orders(p, d, true); }, false, true,
     "heuristic: random variable orderings, parents chosen under each; for hundreds of "
     "variables, or a quick first network."},
    {3, "build-cache-only", write_native_cache, true, false,
     "writes the score cache (outputcache=) and stops, to reuse the scores in later runs."},
    {4, "linear-integer programming", write_model, false, false,
     "writes an integer-programming model with a treewidth bound for an external solver."},
    {5, "guess-orders-2", [](params& p, const io& d) { return guess_orders(p, d, false); }, false,
     true, "heuristic like 2, with guided greedy parent selection."},
    {6, "hill-climbing", hill_climbing, false, true,
     "heuristic: first-improvement hill climbing from the empty or the given network; the "
     "fastest, ends at a local optimum."},
    {7, "gen-graph", no_action, false, false,
     "no search: builds and cleans the cache and scores a given initial structure."},
    {8, "build-cache-only(helsinki-version)", write_helsinki, false, false,
     "writes the scores in the Helsinki exchange format (outputcache=) and stops."},
    {9, "build-cache-only(gob-version)", write_gob, false, false,
     "writes the scores in the GOBNILP (jkl) format (outputcache=) and stops."},
    {10, "exact-automatic", exact_automatic, false, true,
     "exact: runs dynamic programming or branch-and-cut, whichever the problem suits "
     "(variables, cached sets, memory of the subset table), and says which; the choice "
     "when a network must be proved optimal."},
    {11, "branch-and-cut", branch_and_cut, false, true,
     "exact integer programming over the cached parent sets with cluster cuts (COIN-OR "
     "CLP); for dozens of variables with a pruned cache, such as at most 3 parents. "
     "Stopped at a limit it writes its best network and the bound."},
};

}  // namespace

const action* findaction(int number) {
  for (const action& a : actions)
    if (a.number == number) return &a;
  return nullptr;
}

const action* actions_begin() { return std::begin(actions); }
const action* actions_end() { return std::end(actions); }

int lastaction() {
  int last = 0;
  for (const action& a : actions) last = std::max(last, a.number);
  return last;
}

const char* algonum2name(int number) {
  const action* a = findaction(number);
  check(a != nullptr, "algorithm number in range");
  return a->name;
}
