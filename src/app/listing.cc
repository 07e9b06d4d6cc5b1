// The parameter listing written at start and the usage text.
#include <cstdlib>
#include <sstream>

#include "app/options.hh"
#include "core/fail.hh"
#include "core/log.hh"

namespace {

// A double is shown as a number only inside the defined range (-1e200, 1e200).
void defined_double(std::ostream& out, double v) {
  if (v > -params::D30 && v < params::D30)
    out << v;
  else
    out << params::notdef;
}

struct listing_line {
  const char* label;
  void (*value)(std::ostream& out, const params& p);
  const char* ending = "]";
};

// One info line per entry: label, value, ending. Booleans print as 0 or 1, doubles in
// the stream's default format (six significant digits).
const listing_line listing[] = {
    {"read input from: [", [](std::ostream& o, const params& p) { o << p.inputfile; }},
    {"verbose level: [", [](std::ostream& o, const params& p) { o << p.verbose; }},
    {"use cache to read: [", [](std::ostream& o, const params& p) { o << p.useinputcache; }},
    {"read/write cache from/to: [", [](std::ostream& o, const params& p) { o << p.cachefile; }},
    {"cache format: [", [](std::ostream& o, const params& p) { o << p.cacheformat; }},
    {"write output to: [", [](std::ostream& o, const params& p) { o << p.outputfile; }},
    {"write graph to: [", [](std::ostream& o, const params& p) { o << p.graphfile; }},
    {"algorithm: [",
     [](std::ostream& o, const params& p) { o << p.algorithm << "] (" << p.algorithmname; }, ")"},
    {"run post localsearch: [", [](std::ostream& o, const params& p) { o << p.forcelocalsearch; }},
    {"criterion: [", [](std::ostream& o, const params& p) { o << p.score; }},
    {"alpha: [", [](std::ostream& o, const params& p) { o << p.alpha; }, "] (BDEU)"},
    {"heuristic: [", [](std::ostream& o, const params& p) { o << p.heuristicname; }},
    {"initial solution: [", [](std::ostream& o, const params& p) { o << p.initialbest; }},
    {"random seed: [", [](std::ostream& o, const params& p) { o << p.seed; }},
    {"do score pruning: [", [](std::ostream& o, const params& p) { o << p.prunescores; }},
    {"maximum treewidth: [", [](std::ostream& o, const params& p) { defined_double(o, p.maxtreewidth); }},
    {"max number of iterations: [",
     [](std::ostream& o, const params& p) { o << params::numlimit(p.maxiter); }},
    {"max time (sec): [", [](std::ostream& o, const params& p) { o << params::numlimit(p.maxseconds); }},
    {"max memory (MB): [", [](std::ostream& o, const params& p) { o << params::numlimit(p.maxmem); }},
    {"min desired gap: [", [](std::ostream& o, const params& p) { defined_double(o, p.mingap); }},
    {"absolute min desired value: [",
     [](std::ostream& o, const params& p) { defined_double(o, p.abstarget); }},
    {"ILP approximation #samples: [",
     [](std::ostream& o, const params& p) { o << params::numlimit(p.ilpapprox); }},
    {"max number of samples: [", [](std::ostream& o, const params& p) { o << params::numlimit(p.maxdata); }},
    {"ignore constraints: [", [](std::ostream& o, const params& p) { o << p.ignoreconstraints; }},
    {"node: [", [](std::ostream& o, const params& p) { o << params::numlimit(p.node); }},
    {"max number of parents per node: [",
     [](std::ostream& o, const params& p) { o << params::numlimit(p.globalmaxparents); }},
    {"disk swap space (MB): [", [](std::ostream& o, const params& p) { o << p.diskspace; }},
    {"disk swap space name: [", [](std::ostream& o, const params& p) { o << p.diskspacename; }},
    {"threads (ILP): [", [](std::ostream& o, const params& p) { o << p.threads; }},
};

// Written verbatim: "%%" appears as two percent signs, and the text keeps its own
// names for two options and its "0 to 8" range.
const char* const usage_text =
    "where options shall be given one per line in the format option=value\n"
    "The list of possible options is:\n"
    "inputfile: name of plain text input data file (default: read from stdin)\n"
    "outputfile: name of the output file (default: write to stdout)\n"
    "inputcache: name of the input data in DORV format (can't be used together with outputcahe)\n"
    "outputcache: name of the output cache file in DORV format (can't be used together with inputcache)\n"
    "verbose: number with the level of verbosity (0, 1, 2...)\n"
    "algorithm: number of the algorithm to be used (0 to 8)\n"
    "score: name of the score to be used (one of: aic, bic, bdeu)\n"
    "jakkolacuts: number of cuts to include in the integer programming (used only if algorithm=IP)\n"
    "maxtreewidth: bound on the treewidth of the resulting graph. The width is computed with minfill (only with algorithm=BB,LS,GO)\n"
    "forcelocalsearch: 0 or 1, whether to run localsearch after each found graph\n"
    "cyclecuts: number of initial cycle cuts to include in the ILP (default=0)\n"
    "heuristictype: number of the heuristic to drive the BB algo (0 to 7)(only if algorithm=BB)\n"
    "reduction: type of cut used by the BB (one of: none, normal, extra)(only if algorithm=BB)\n"
    "duplist: boolean to decide whether BB keeps a list of visited nodes (true or false)(only if algorithm=BB)\n"
    "alpha: positive number if given score is selected as BDEU\n"
    "seed: to be used for pseudo-random number generation (default to use time)\n"
    "initialbest: value of a known solution (only if algorithm=BB)\n"
    "maxiter: maximum number of iterations (only if algorithm=BB,LS,GO)\n"
    "maxminutes: maximum number of minutes\n"
    "maxmem: maximum amount of memory in MB (only if algorithm=BB)\n"
    "maxdata: maximum number of row of data to consider\n"
    "ilpapprox: number of samples to perform approximation based on ILP (default: 0, ie exact)\n"
    "mingap: (in %%) defines a stopping rule based on the acceptable percentage of error of the current best solution (only if algorithm=BB)\n"
    "abstarget: value that if achieved the search stops (only if algorithm=BB,LS,GO)\n"
    "ignconstr: true if it is to ignore all constraints (default false)(only if algorithm=BB,LS,GO).\n"
    "allmaxpar: limit on the maximum number of parents (default without limit).\n"
    "node: define the node for which the processing will be done (default -1 i.e. all nodes)(only if algorithm=3)\n"
    "\n";

}  // namespace

void printparams(const params& p) {
  logline(loglevel::info, "PARAMETERS ARE AS FOLLOWS");
  for (const listing_line& line : listing) {
    std::ostringstream text;
    text << line.label;
    line.value(text, p);
    text << line.ending;
    logline(loglevel::info, text.str());
  }
}

void usage(const char* programname) {
  logtext(std::string("Usage: ") + programname + " <optionfile>\n\n" + usage_text);
  exit(exitcode::usage);
}
