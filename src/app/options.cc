#include "app/options.hh"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
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

// What the options of one run say about each other, settled after the last line.
struct reading {
  bool alphagiven = false;
};

// What an option's action sees of its line.
struct option_text {
  const char* key;
  const std::string& value;  // trimmed
  reading& state;
};

// Every value that does not mean what its option needs ends the run here, naming the
// option: nothing is coerced into a value the user did not write.
[[noreturn]] void bad_value(const option_text& t, const std::string& expected) {
  fatal("Invalid value [%s] for option %s: expected %s.", t.value.c_str(), t.key, expected.c_str());
}

std::string integer_range(long long lo, long long hi) {
  if (lo <= INT_MIN && hi >= INT_MAX) return "an integer";
  if (hi >= INT_MAX) return format("an integer of %lld or more", lo);
  return format("an integer from %lld to %lld", lo, hi);
}

// The whole value as a decimal integer (an optional sign, digits) within [lo, hi].
int whole(const option_text& t, long long lo = INT_MIN, long long hi = INT_MAX) {
  const char* s = t.value.c_str();
  char* stop;
  errno = 0;
  const long long v = std::strtoll(s, &stop, 10);
  const bool digits = *s != '\0' && !std::isspace(static_cast<unsigned char>(*s));
  if (!digits || *stop != '\0' || errno == ERANGE || v < lo || v > hi)
    bad_value(t, integer_range(lo, hi));
  return int(v);
}

// The whole value as a finite real of at least lo.
double real(const option_text& t, double lo = -HUGE_VAL) {
  const char* s = t.value.c_str();
  char* stop;
  const double v = std::strtod(s, &stop);
  const bool text = *s != '\0' && !std::isspace(static_cast<unsigned char>(*s));
  if (!text || *stop != '\0' || !std::isfinite(v) || v < lo)
    bad_value(t, lo > -HUGE_VAL ? format("a finite number of %g or more", lo) : "a finite number");
  return v;
}

// true, false or an integer (non-zero is on); the integer stays available to options
// that distinguish values.
int flag(const option_text& t) {
  if (t.value == "true") return 1;
  if (t.value == "false") return 0;
  const char* s = t.value.c_str();
  char* stop;
  errno = 0;
  const long long v = std::strtoll(s, &stop, 10);
  if (*s == '\0' || *stop != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX)
    bad_value(t, "true, false or an integer");
  return int(v);
}

std::string lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

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
  const char* type;      // for --help
  const char* fallback;  // the default, for --help
  const char* meaning;   // for --help
  void (*apply)(params& p, const option_text& t);
};

void set_ignoreconstraints(params& p, const option_text& t) {
  if (t.value == "true" || t.value == "1")
    p.ignoreconstraints = 1;
  else if (t.value == "false" || t.value == "0")
    p.ignoreconstraints = 0;
  else
    bad_value(t, "true or false");
}

void set_globalmaxparents(params& p, const option_text& t) {
  const int v = whole(t, 0);
  p.globalmaxparents = v == 0 ? params::U30 : v;
}

// The comparison order matters only for the side effects of reading: files are checked
// and the generator is seeded when their line is met.
const option option_table[] = {
    {"inputfile", "file", "none",
     "the data set: the native format, CSV (by the extension .csv or inputformat=csv), "
     "or a score file",
     [](params& p, const option_text& t) {
       if (!can_open(t.value, "r")) fatal("Error reading input file [%s].", t.value.c_str());
       p.inputfile = t.value;
     }},
    {"outputfile", "file", "standard output", "where the result is written",
     [](params& p, const option_text& t) {
       if (!can_open(t.value, "a")) fatal("Error opening output file [%s].", t.value.c_str());
       p.outputfile = t.value;
     }},
    {"graphfile", "file", "none",
     "the learnt network as a Graphviz DOT file, with the variable names",
     [](params& p, const option_text& t) { p.graphfile = t.value; }},
    {"forcelocalsearch", "switch", "true",
     "polish every network found by hill climbing (algorithms 2, 5)",
     [](params& p, const option_text& t) { p.forcelocalsearch = flag(t) != 0; }},
    {"verbose", "integer", "1", "0 quiet, 1 summaries, 2 details, 3 and more debugging",
     [](params& p, const option_text& t) { p.verbose = whole(t); }},
    {"seed", "integer", "the clock", "seed of the random generator; 0 or less takes the clock",
     [](params& p, const option_text& t) {
       const int s = whole(t);
       p.seed_generator(s > 0 ? s : static_cast<int>(time(nullptr)));
     }},
    {"ilpapprox", "integer >= 0", "0",
     "samples of the approximation in the integer-programming model (0: exact)",
     [](params& p, const option_text& t) { p.ilpapprox = whole(t, 0); }},
    {"cacheformat", "text", "none", "cache file format: csv for the text cache (read and written)",
     [](params& p, const option_text& t) { p.cacheformat = t.value; }},
    {"inputcache", "file", "none", "read the score cache from this file instead of building it",
     [](params& p, const option_text& t) {
       p.cachefile = t.value;
       p.useinputcache = true;
     }},
    {"outputcache", "file", "none", "write the score cache (algorithms 3, 8, 9) to this file",
     [](params& p, const option_text& t) { p.cachefile = t.value; }},
    {"jakkolacuts", "integer >= 0", "2", "cuts in the integer-programming model",
     [](params& p, const option_text& t) { p.jakkolacuts = whole(t, 0); }},
    {"threads", "integer 0..1024", "1",
     "threads that build the score cache (0: every hardware thread); the integer-programming "
     "model asks its solver for as many",
     [](params& p, const option_text& t) { p.threads = whole(t, 0, 1024); }},
    {"maxtreewidth", "integer >= 0", "unbounded",
     "bound on the treewidth of the network (0 and 1: unbounded; algorithms 0, 2, 5, 6)",
     [](params& p, const option_text& t) {
       const int v = whole(t, 0);
       p.maxtreewidth = v > 1 ? v : 134217728.0;
     }},
    {"algorithm", "integer", "0", "what to run: see Algorithms below",
     [](params& p, const option_text& t) {
       p.algorithm = whole(t);
       if (findaction(p.algorithm) == nullptr)
         fatal("Invalid option for algorithm number. It must be an integer from 0 to %d.",
               lastaction());
       p.algorithmname = algonum2name(p.algorithm);
     }},
    {"cyclecuts", "integer 0..100000", "0", "initial cycle cuts in the integer-programming model",
     [](params& p, const option_text& t) { p.cyclecuts = whole(t, 0, 100000); }},
    {"score", "bic, aic or bdeu", "bic",
     "the score; bdeu takes its equivalent sample size from alpha (1 when not given)",
     [](params& p, const option_text& t) {
       const std::string name = lower(t.value);
       if (name != "bic" && name != "aic" && name != "bdeu") bad_value(t, "bic, aic or bdeu");
       p.score = t.value;
       p.aicscore = name == "aic";
     }},
    {"heuristictype", "integer 0..7", "3", "the bound heuristic of branch-and-bound",
     [](params& p, const option_text& t) { p.heuristictype = whole(t); }},
    {"reduction", "none, normal or extra", "none", "arc reduction of branch-and-bound",
     [](params& p, const option_text& t) {
       if (t.value == "normal")
         p.reductionnormal = true;
       else if (t.value == "extra")
         p.reductionextra = true;
       else if (t.value != "none")
         bad_value(t, "none, normal or extra");
     }},
    {"alpha", "number >= 0", "0 (1 with score=bdeu)",
     "equivalent sample size of BDeu; a value above 0 selects BDeu",
     [](params& p, const option_text& t) {
       p.alpha = real(t, 0.0);
       t.state.alphagiven = true;
     }},
    {"duplist", "switch", "false", "branch-and-bound: late duplicate detection",
     [](params& p, const option_text& t) { p.duplist = flag(t); }},
    {"initialbest", "number", "none", "score of a known network: a lower bound for the searches",
     [](params& p, const option_text& t) { p.initialbest = real(t); }},
    {"maxiter", "integer >= 0", "unlimited", "iteration limit of the searches",
     [](params& p, const option_text& t) { p.maxiter = whole(t, 0); }},
    // Minutes become seconds; a product beyond the int range saturates (a wrapped
    // product could turn a huge limit into a few seconds).
    {"maxminutes", "integer >= 0", "unlimited",
     "time limit of the search in minutes (0: unlimited)",
     [](params& p, const option_text& t) {
       const int64_t seconds = int64_t(whole(t, 0)) * 60;
       p.maxseconds =
           seconds <= 0 ? params::U30 : static_cast<int>(std::min<int64_t>(seconds, INT_MAX));
     }},
    {"maxmem", "integer >= 0", "unlimited",
     "memory limit of the exact searches in MB (0: unlimited)",
     [](params& p, const option_text& t) {
       const int v = whole(t, 0);
       p.maxmem = v == 0 ? params::U30 : v;
     }},
    {"mingap", "number >= 0", "0", "branch-and-bound stops when its gap in percent is below this",
     [](params& p, const option_text& t) { p.mingap = real(t, 0.0); }},
    {"abstarget", "number >= 0", "0 (none)",
     "branch-and-bound stops once its best score is above this or its bound below it",
     [](params& p, const option_text& t) { p.abstarget = real(t, 0.0); }},
    {"node", "integer >= -1", "-1 (all)",
     "build the cache of this variable only (algorithm 3): one job of a cache assembled later",
     [](params& p, const option_text& t) { p.node = whole(t, -1); }},
    {"maxdata", "integer >= 1", "all", "read at most this many data records",
     [](params& p, const option_text& t) { p.maxdata = whole(t, 1); }},
    {"ignoreconstraints", "true or false", "false", "ignore every structural constraint",
     set_ignoreconstraints},
    {"globalmaxparents", "integer >= 0", "unlimited", "most parents of any variable (0: unlimited)",
     set_globalmaxparents},
    {"diskspacename", "text", "none", "path of the swap space written to .stxxl",
     [](params& p, const option_text& t) { p.diskspacename = t.value; }},
    {"diskspace", "integer >= 0", "0", "swap space in MB, added to maxmem",
     [](params& p, const option_text& t) { p.diskspace = whole(t, 0); }},
    {"prunescores", "switch", "true",
     "prune parent sets that cannot be optimal while building the cache",
     [](params& p, const option_text& t) { p.prunescores = flag(t) > 0; }},
    {"inputformat", "native or csv", "by extension",
     "format of inputfile: csv for any name, native for a .csv name",
     [](params& p, const option_text& t) {
       if (t.value != "native" && t.value != "csv") bad_value(t, "native or csv");
       p.inputformat = t.value;
     }},
    {"csvseparator", "character or tab", ",", "field separator of CSV data, for example ; or tab",
     [](params& p, const option_text& t) {
       const std::string& v = t.value;
       if (v == "tab")
         p.csvseparator = '\t';
       else if (v.size() == 1 && v[0] != '"')
         p.csvseparator = v[0];
       else
         bad_value(t, "one character or tab");
     }},
    {"missing", "refuse or drop", "refuse",
     "CSV data: a missing value (empty, NA, ?) ends the run, or drop skips its record",
     [](params& p, const option_text& t) {
       if (t.value != "refuse" && t.value != "drop") bad_value(t, "refuse or drop");
       p.missingdrop = t.value == "drop";
     }},
    {"constraintfile", "file", "none",
     "constraints and an initial structure in the constraint language, variables by number or by "
     "name",
     [](params& p, const option_text& t) {
       if (!can_open(t.value, "r")) fatal("Error reading constraint file [%s].", t.value.c_str());
       p.constraintfile = t.value;
     }},
    {"networkfile", "file", "none", "the learnt network with its probability tables in BIF",
     [](params& p, const option_text& t) {
       if (t.value.empty()) bad_value(t, "a file name");
       p.networkfile = t.value;
     }},
    {"truegraph", "file", "none",
     "a known graph (DOT, or arcs by names or numbers): SHD, precision and recall are printed "
     "after the result",
     [](params& p, const option_text& t) {
       if (!can_open(t.value, "r")) fatal("Error reading true graph file [%s].", t.value.c_str());
       p.truegraph = t.value;
     }},
    // The names the classic usage text gives for two options.
    {"ignconstr", "true or false", "false", "same as ignoreconstraints", set_ignoreconstraints},
    {"allmaxpar", "integer >= 0", "unlimited", "same as globalmaxparents", set_globalmaxparents},
};

// Edit distance (insertions, deletions, substitutions), letters compared without case.
size_t distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                        std::tolower(static_cast<unsigned char>(b[j - 1]));
      const size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = row[j];
      row[j] = next;
    }
  }
  return row[b.size()];
}

// A key that names no option is most often a typo: the nearest key is suggested when
// it is within two edits, or a third of the key's length.
void warn_unknown(const std::string& key) {
  const char* nearest = nullptr;
  size_t best = SIZE_MAX;
  for (const option& o : option_table) {
    const size_t d = distance(key, o.key);
    if (d < best) {
      best = d;
      nearest = o.key;
    }
  }
  if (nearest != nullptr && (best <= 2 || 3 * best <= key.size()))
    logline(loglevel::warn,
            format("Unknown option [%s] ignored; did you mean [%s]?", key.c_str(), nearest));
  else
    logline(loglevel::warn, format("Unknown option [%s] ignored.", key.c_str()));
}

// Keys are compared exactly, in table order.
void apply_setting(params& p, const std::string& key, const std::string& value, reading& state) {
  for (const option& o : option_table)
    if (key == o.key) {
      o.apply(p, option_text{o.key, value, state});
      return;
    }
  warn_unknown(key);
}

bool comment(const char* line) {
  while (*line == ' ' || *line == '\t') ++line;
  return *line == '#';
}

// Reads "key=value" lines; a line whose first non-blank character is "#" is a comment,
// with or without "=".
void read_option_lines(params& p, FILE* file, reading& state) {
  char line[max_line + 1];
  while (fgets(line, sizeof line, file)) {
    if (comment(line)) continue;
    char* equals = std::strchr(line, '=');
    if (!equals) fatal("line [%s] of option file invalid\n", line);
    *equals = '\0';
    const std::string key = trim(line);
    const std::string value = trim(equals + 1);
    if (!key.empty() && key[0] == '#') continue;
    apply_setting(p, key, value, state);
  }
}

// Settings from the command line, after the file's: the later setting wins.
void read_overrides(params& p, const std::vector<std::string>& words, reading& state) {
  for (const std::string& word : words) {
    const size_t equals = word.find('=');
    if (equals == std::string::npos)
      fatal("Command-line setting [%s] is not of the form option=value.", word.c_str());
    std::string key = word.substr(0, equals), value = word.substr(equals + 1);
    apply_setting(p, trim(&key[0]), trim(&value[0]), state);
  }
}

// score=bdeu without alpha takes the usual equivalent sample size 1. A positive alpha
// selects BDeu whatever the score option says (files written that way keep their
// meaning), so with bic or aic it is worth a warning.
void settle_score(params& p, const reading& state) {
  const std::string name = lower(p.score);
  if (name == "bdeu" && !state.alphagiven) p.alpha = 1.0;
  if (name == "bdeu" && !(p.alpha > 0))
    fatal("Invalid value [%g] for option alpha: expected a number above 0 with score=bdeu.",
          p.alpha);
  if ((name == "bic" || name == "aic") && p.alpha > 0)
    logline(loglevel::warn,
            format("Option alpha selects the BDeu score: score=%s is not used", name.c_str()));
}

}  // namespace

void readparams(params& p, const char* path, const std::vector<std::string>& overrides) {
  logline(loglevel::info, format("Reading options from file [%s]", path));
  reading state;
  FILE* file = fopen(path, "r");
  if (!file) {
    logline(loglevel::warn, "Option file not defined (or not readable). Using default options");
    read_overrides(p, overrides, state);
    settle_score(p, state);
  } else {
    read_option_lines(p, file, state);
    fclose(file);
    read_overrides(p, overrides, state);
    if (p.algorithm == 1 && p.maxtreewidth > -params::D30 && p.maxtreewidth < params::D30)
      logline(loglevel::warn, "Maximum treewidth is ignored for dynamic programming");
    // The integer program knows no width bound; one set by the user is refused.
    if ((p.algorithm == 10 || p.algorithm == 11) && p.maxtreewidth < params::U30)
      logline(loglevel::warn, "Maximum treewidth is ignored for exact search by algorithm " +
                                  std::to_string(p.algorithm));
    settle_score(p, state);
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

std::vector<optionhelp> option_reference() {
  std::vector<optionhelp> rows;
  for (const option& o : option_table) rows.push_back({o.key, o.type, o.fallback, o.meaning});
  return rows;
}
