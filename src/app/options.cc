#include "app/options.hh"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/actions.hh"
#include "core/fail.hh"
#include "core/log.hh"
#include "core/text.hh"

namespace {

// Longest option-file line read at once; a longer line is read as several lines.
constexpr int max_line = 9999;

const char* const heuristic_names[] = {
    "DO NOT USE",
    "break smallest cycle by leave-one-out idea",
    "break smallest cycle by Orvandel idea (aka ICML'09 version)",
    "top heuristic + break smallest cycle by leave-one-out idea",
    "top heuristic + break smallest cycle by Orvandel idea",
    "Brute-force search on order space",
    "Leave-one-out cycle breaking on the highest strong component",
    "Break by ordering on the highest strong component",
};
constexpr int heuristic_count = sizeof(heuristic_names) / sizeof(heuristic_names[0]);

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

// Whether the file can be opened in the given mode; it is closed again at once. The
// mode for an output file is "a", which creates a missing file but leaves an existing
// one as it is: the driver empties it only when the run gets to writing.
bool can_open(const std::string& name, const char* mode) {
  FILE* f = fopen(name.c_str(), mode);
  if (!f) return false;
  fclose(f);
  return true;
}

struct option {
  const char* key;
  void (*apply)(params& p, const option_text& t);
};

// The comparison order matters only for the side effects of reading: files are checked
// and the generator is seeded when their line is met.
const option option_table[] = {
    {"inputfile", [](params& p, const option_text& t) {
       if (!can_open(t.value, "r")) fatal("Error reading input file [%s].", t.value.c_str());
       p.inputfile = t.value;
     }},
    {"outputfile", [](params& p, const option_text& t) {
       if (!can_open(t.value, "a")) fatal("Error opening output file [%s].", t.value.c_str());
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
       if (findaction(p.algorithm) == nullptr)
         fatal("Invalid option for algorithm number. It must be an integer from 0 to %d.",
               lastaction());
       p.algorithmname = algonum2name(p.algorithm);
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

// Reads "key=value" lines. The value is handed over both trimmed (for string options)
// and as the raw text after "=" (numeric options parse it with strtol/strtod, which
// skip leading white space themselves).
void read_option_lines(params& p, FILE* file) {
  char line[max_line + 1];
  while (fgets(line, sizeof line, file)) {
    char* equals = std::strchr(line, '=');
    if (!equals) fatal("line [%s] of option file invalid\n", line);
    *equals = '\0';
    const std::string key = trim(line);
    char* raw = equals + 1;
    const std::string value = trim(raw);
    if (!key.empty() && key[0] == '#') continue;
    apply_option(p, key, value, raw);
  }
}

}  // namespace

void readparams(params& p, const char* path) {
  logline(loglevel::info, format("Reading options from file [%s]", path));
  FILE* file = fopen(path, "r");
  if (!file) {
    logline(loglevel::warn, "Option file not defined (or not readable). Using default options");
  } else {
    read_option_lines(p, file);
    fclose(file);
    if (p.algorithm == 1 && p.maxtreewidth > -params::D30 && p.maxtreewidth < params::D30)
      logline(loglevel::warn, "Maximum treewidth is ignored for dynamic programming");
    // The integer program knows no width bound; one set by the user is refused.
    if ((p.algorithm == 10 || p.algorithm == 11) && p.maxtreewidth < params::U30)
      logline(loglevel::warn, "Maximum treewidth is ignored for exact search by algorithm " +
                                  std::to_string(p.algorithm));
    if (p.heuristictype < 0 || p.heuristictype >= heuristic_count)
      fatal("Invalid option for heuristic number. It must be an integer from 0 to 7.");
    p.heuristicname = heuristicnum2name(p.heuristictype);
    if (p.reductionextra) p.heuristicname += " + super reduction (UNSTABLE)";
    if (p.reductionnormal) p.heuristicname += " + reduce arcs idea";
    if (p.duplist != 0) p.heuristicname += " + late duplication detection";
    opendisk(p);
  }
  if (p.verbose >= 2) logline(loglevel::info, "Options successfully read");
}

const char* heuristicnum2name(int number) {
  check(number >= 0 && number < heuristic_count, "heuristic number in range");
  return heuristic_names[number];
}

void apply_option(params& p, const std::string& key, const std::string& value, const char* raw) {
  const option_text text{value, raw};
  for (const option& o : option_table)
    if (key == o.key) o.apply(p, text);
}
