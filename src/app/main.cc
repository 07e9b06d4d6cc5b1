// bnsl: learns the structure of a Bayesian network from data or from a score file.
// One pass: options, input, score cache, clean-up, one action; the exit code says how
// the action ended.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "app/params.hh"
#include "core/fail.hh"
#include "export/ampl.hh"
#include "io/io.hh"
#include "scoring/buildmap.hh"
#include "search/branchandbound.hh"
#include "search/branchandcut.hh"
#include "search/dynprog.hh"
#include "search/guessorders.hh"
#include "search/localsearch.hh"

namespace {

constexpr double no_solution_yet = -1e100;

void print_banner() {
  std::cerr << "Structure learning software v" << params::versionnum << "\n"
            << "Learns Bayesian network structures from categorical data by exact and\n"
            << "heuristic search over a cache of scored parent sets.\n"
            << "\n";
}

// Reads the data set (or a score file in its place) and returns the number of data
// records loaded, -1 when no input file was named.
int load_input(const params& par, io& rec) {
  if (par.inputfile == params::notdef) return -1;
  rec.readDORVinput(par);
  const int records = rec.nrecords;
  if (records <= 0) rec.readCussenscache(par);
  for (int i = 0; i < rec.n && i < rec.maxparents.size(); ++i)
    rec.maxparents[i] = std::min(rec.maxparents[i], par.globalmaxparents);
  return records;
}

void load_cache(const params& par, io& rec, int records) {
  if (par.cachefile != params::notdef && par.algorithm != 3 && par.useinputcache) {
    rec.readDORVcache(par);
  } else if (records > 0) {
    rec.cache = buildmap(rec, par, rec.logsearchspace, rec.cachesize);
  }
  if (rec.cache.empty()) fatal("Error reading cache - no input provided.");
}

// An initial structure given with the data is scored first; a better score than
// initialbest becomes the searches' lower bound.
void evaluate_initial_structure(params& par, const io& rec) {
  if (rec.hasinitial <= 0) return;
  double value;
  {
    localsearch evaluator(par, rec, true);
    evaluator.run(false);
    value = evaluator.curvalue;
  }
  if (par.verbose > 0) {
    std::ostringstream line;
    line << "[info] Using given initial solution with value=" << value << "\n";
    std::cerr << line.str();
  }
  // An impossible total (an inadmissible starting family) is no lower bound.
  if (value > -1e25 && value > par.initialbest) par.initialbest = value;
}

int run_search(const params& par, const io& rec) {
  switch (par.algorithm) {
    case 0: {
      branchandbound search(par, rec, rec.n, rec.allow, matrix<char>(rec.n, rec.n, 0),
                            no_solution_yet);
      return search.run(false);
    }
    case 1: {
      dynprog search(par, rec, double(par.maxmem), matrix<char>(rec.n, rec.n, 0),
                     no_solution_yet);
      return search.run(false);
    }
    case 2:
    case 5: {
      const bool guided = par.algorithm == 5;
      std::cerr << (guided ? "[info] Guess orders using guided greedy parent selection\n"
                           : "[info] Guess orders using topological constraints for parent selection\n");
      guessorders search(par, rec, no_solution_yet, par.forcelocalsearch, true);
      search.topological = !guided;
      return search.run(false);
    }
    case 6: {
      localsearch search(par, rec, false);
      return search.run(false);
    }
    case 11: {
      branchandcut search(par, rec);
      return search.run();
    }
    default:
      return 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  params par;
  io rec;
  print_banner();
  if (argc < 2) params::usage(argc > 0 ? argv[0] : "bnsl");
  par.readparams(argv[1]);
  par.printparams();

  const int records = load_input(par, rec);
  load_cache(par, rec, records);
  rec.vacuum(par);

  switch (par.algorithm) {
    case 4: {
      ampl writer(par, rec, rec.n);
      writer.cplex_tw();
      return 0;
    }
    case 8: rec.writeHelsinkicache(par); break;
    case 9: rec.writeCussenscache(par); break;
    case 3: {
      rec.writeDORVcache(par, matrix<char>(rec.n, rec.n, 0));
      return 0;
    }
    default: break;
  }
  evaluate_initial_structure(par, rec);
  const int code = run_search(par, rec);
  fflush(par.outfile);
  return code;
}
