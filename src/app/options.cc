#include "app/options.hh"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/params.hh"
#include "core/fail.hh"

namespace {

// What an option's action sees of its line.
struct option_text {
  const std::string& value;  // trimmed, for string options
  const char* raw;           // as read, for numeric options
};

// strtol in base 10; text that is no number gives 0, trailing text is ignored.
// Numbers beyond the int range saturate instead of wrapping into unrelated values.
int as_int(const option_text& t) {
  const long v = strtol(t.raw, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

double as_real(const option_text& t) { return strtod(t.raw, nullptr); }

// Replaces an earlier stream opened by the same option instead of leaking it.
FILE* reopen(FILE* previous, FILE* standard, const std::string& name, const char* mode) {
  if (previous && previous != standard) fclose(previous);
  return fopen(name.c_str(), mode);
}

struct option {
  const char* key;
  void (*apply)(params& p, const option_text& t);
};

// The comparison order matters only for the side effects of reading: files are opened
// and the generator is seeded when their line is met.
const option option_table[] = {
    {"inputfile", [](params& p, const option_text& t) {
       p.infile = reopen(p.infile, stdin, t.value, "r");
       if (!p.infile) fatal("Error reading input file [%s].", t.value.c_str());
       p.inputfile = t.value;
     }},
    {"outputfile", [](params& p, const option_text& t) {
       p.outfile = reopen(p.outfile, stdout, t.value, "w");
       if (!p.outfile) fatal("Error opening output file [%s].", t.value.c_str());
       p.outputfile = t.value;
     }},
    {"graphfile", [](params& p, const option_text& t) { p.graphfile = t.value; }},
    {"forcelocalsearch", [](params& p, const option_text& t) { p.forcelocalsearch = as_int(t) != 0; }},
    {"verbose", [](params& p, const option_text& t) { p.verbose = as_int(t); }},
    {"seed", [](params& p, const option_text& t) {
       const int s = as_int(t);
       p.seed_generator(s > 0 ? s : static_cast<int>(time(nullptr)));
     }},
    {"ilpapprox", [](params& p, const option_text& t) { p.ilpapprox = std::max(as_int(t), 0); }},
    {"cacheformat", [](params& p, const option_text& t) { p.cacheformat = t.value; }},
    {"inputcache", [](params& p, const option_text& t) {
       p.cachefile = t.value;
       p.useinputcache = true;
     }},
    {"outputcache", [](params& p, const option_text& t) { p.cachefile = t.value; }},
    {"jakkolacuts", [](params& p, const option_text& t) { p.jakkolacuts = as_int(t); }},
    {"threads", [](params& p, const option_text& t) { p.threads = as_int(t); }},
    {"maxtreewidth", [](params& p, const option_text& t) {
       const int v = as_int(t);
       p.maxtreewidth = v > 1 ? v : 134217728.0;
     }},
    {"algorithm", [](params& p, const option_text& t) {
       p.algorithm = as_int(t);
       if (p.algorithm < 0 || p.algorithm > 11)
         fatal("Invalid option for algorithm number. It must be an integer from 0 to 11.");
       p.algorithmname = params::algonum2name(p.algorithm);
     }},
    {"cyclecuts", [](params& p, const option_text& t) { p.cyclecuts = as_int(t); }},
    {"score", [](params& p, const option_text& t) {
       p.score = t.value;
       if (t.value == "aic") p.aicscore = true;
     }},
    {"heuristictype", [](params& p, const option_text& t) { p.heuristictype = as_int(t); }},
    {"reduction", [](params& p, const option_text& t) {
       if (t.value == "normal") p.reductionnormal = true;
       if (t.value == "extra") p.reductionextra = true;
     }},
    {"alpha", [](params& p, const option_text& t) { p.alpha = as_real(t); }},
    {"duplist", [](params& p, const option_text& t) { p.duplist = as_int(t); }},
    {"initialbest", [](params& p, const option_text& t) { p.initialbest = as_real(t); }},
    {"maxiter", [](params& p, const option_text& t) {
       const int v = as_int(t);
       p.maxiter = v < 0 ? params::U30 : v;
     }},
    // Minutes become seconds; a product beyond the int range saturates (a wrapped
    // product could turn a huge limit into a few seconds).
    {"maxminutes", [](params& p, const option_text& t) {
       const int64_t seconds = int64_t(as_int(t)) * 60;
       p.maxseconds = seconds <= 0 ? params::U30 : static_cast<int>(std::min<int64_t>(seconds, INT_MAX));
     }},
    {"maxmem", [](params& p, const option_text& t) {
       const int v = as_int(t);
       p.maxmem = v <= 0 ? params::U30 : v;
     }},
    {"mingap", [](params& p, const option_text& t) { p.mingap = std::max(as_real(t), 0.0); }},
    {"abstarget", [](params& p, const option_text& t) { p.abstarget = std::max(as_real(t), 0.0); }},
    {"node", [](params& p, const option_text& t) { p.node = as_int(t); }},
    {"maxdata", [](params& p, const option_text& t) {
       const int v = as_int(t);
       p.maxdata = v < 0 ? params::U30 : v;
     }},
    {"ignoreconstraints", [](params& p, const option_text& t) {
       if (t.value == "true") p.ignoreconstraints = 1;
     }},
    {"globalmaxparents", [](params& p, const option_text& t) {
       const int v = as_int(t);
       p.globalmaxparents = v <= 0 ? params::U30 : v;
     }},
    {"diskspacename", [](params& p, const option_text& t) { p.diskspacename = t.value; }},
    {"diskspace", [](params& p, const option_text& t) { p.diskspace = std::max(as_int(t), 0); }},
    {"prunescores", [](params& p, const option_text& t) { p.prunescores = as_int(t) > 0; }},
};

}  // namespace

void apply_option(params& p, const std::string& key, const std::string& value, const char* raw) {
  const option_text text{value, raw};
  for (const option& o : option_table)
    if (key == o.key) o.apply(p, text);
}
