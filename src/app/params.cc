#include "app/params.hh"

#include <cstring>
#include <ctime>
#include <iostream>

#include "app/options.hh"
#include "core/fail.hh"
#include "core/rng.hh"
#include "io/io.hh"

const char* const params::notdef = "not def";
const char* const params::versionnum = "100";

namespace {

// Longest option-file line read at once; a longer line is read as several lines.
constexpr int max_line = 9999;

const char* const algorithm_names[] = {
    "branch-and-bound",
    "dynamic-programming",
    "guess-orders",
    "build-cache-only",
    "linear-integer programming",
    "guess-orders-2",
    "hill-climbing",
    "gen-graph",
    "build-cache-only(helsinki-version)",
    "build-cache-only(gob-version)",
    "exact-automatic",
    "branch-and-cut",
};
constexpr int algorithm_count = sizeof(algorithm_names) / sizeof(algorithm_names[0]);

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

bool is_blank(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 1 && u <= 32;
}

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

params::params() { seed_generator(static_cast<int>(time(nullptr))); }

void params::seed_generator(int s) {
  rng::seed(static_cast<unsigned>(s));
  seed = s;
  // 0.030517578125 = 1000 / 32768: maps a draw 0..32767 onto 0..999.
  reseedinterval = static_cast<int>(rng::next() * 0.030517578125 + 1000);
}

void params::readparams(const char* path) {
  std::cerr << "[info] Reading options from file [" << path << "]\n";
  FILE* file = fopen(path, "r");
  if (!file) {
    io::messaging(io::warnlevel, "Option file not defined (or not readable). Using default options");
  } else {
    read_option_lines(*this, file);
    fclose(file);
    if (algorithm == 1 && maxtreewidth > -D30 && maxtreewidth < D30)
      io::messaging(io::warnlevel, "Maximum treewidth is ignored for dynamic programming");
    if (heuristictype < 0 || heuristictype >= heuristic_count)
      fatal("Invalid option for heuristic number. It must be an integer from 0 to 7.");
    heuristicname = heuristicnum2name(heuristictype);
    if (reductionextra) heuristicname += " + super reduction (UNSTABLE)";
    if (reductionnormal) heuristicname += " + reduce arcs idea";
    if (duplist != 0) heuristicname += " + late duplication detection";
    opendisk();
  }
  if (verbose >= 2) io::messaging(io::infolevel, "Options successfully read");
}

std::string params::numlimit(int v) {
  if (v < 0 || v >= U30) return notdef;
  return std::to_string(v);
}

const char* params::algonum2name(int number) {
  check(number >= 0 && number < algorithm_count, "algorithm number in range");
  return algorithm_names[number];
}

const char* params::heuristicnum2name(int number) {
  check(number >= 0 && number < heuristic_count, "heuristic number in range");
  return heuristic_names[number];
}

// Trailing bytes are compared as unsigned values, so a name ending in a non-ASCII
// byte (0x80-0xFF) keeps that byte.
std::string trim(char* s) {
  while (is_blank(*s)) ++s;
  size_t length = std::strlen(s);
  while (length > 1 && is_blank(s[length - 1])) s[--length] = '\0';
  return std::string(s, length);
}
