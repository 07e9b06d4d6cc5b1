// The constraint file (option constraintfile): structural constraints and an initial
// structure for a data set that cannot carry them itself, such as CSV data.
//
// One constraint per line in the constraint language (constraints.hh); variables may
// be written by number or by name (the CSV header or the label line), so
//   lung: a(lung, smoke)          smoke must be a parent of lung
//   either: -a(either, dysp)      dysp may not be a parent of either
//   xray: d(xray, 2, lt)          xray has fewer than 2 parents
// A line "initial: a(child, parent) a(child, parent) ..." adds arcs parent -> child to
// the initial structure. Blank lines and lines starting with "#" are skipped. Names
// are matched exactly and before numbers; a name holding "(", "," or ")" is written by
// its number. Names are replaced by numbers before the lines join the data set's own
// constraints, so the interpreter's messages show numbers.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/fail.hh"
#include "core/text.hh"
#include "io/constraints.hh"
#include "io/io.hh"

namespace {

struct sidefile {
  const std::string& name;
  const std::vector<std::string>& labels;
  int line = 0;

  [[noreturn]] void fail(const std::string& what) const {
    fatal("Constraint file %s line %d: %s.", name.c_str(), line, what.c_str());
  }

  // A variable written as its number, as the language allows: [xXvV] sign digits.
  static bool numeral(const std::string& w) {
    size_t i = 0;
    if (i < w.size() && std::strchr("xXvV", w[i])) ++i;
    if (i < w.size() && (w[i] == '+' || w[i] == '-')) ++i;
    if (i == w.size()) return false;
    for (; i < w.size(); ++i)
      if (w[i] < '0' || w[i] > '9') return false;
    return true;
  }

  // The word as the language reads it: a name becomes its variable's number.
  std::string variable(std::string word) const {
    word = trim(&word[0]);
    for (size_t v = 0; v < labels.size(); ++v)
      if (labels[v] == word) return std::to_string(v);
    if (!numeral(word)) fail("no variable named [" + word + "]");
    return word;
  }

  // Rewrites the arguments inside each "(...)", trimmed: the first of every term and the
  // second of an arc term are variables.
  std::string terms(const std::string& body) const {
    std::string out;
    size_t i = 0;
    while (i < body.size()) {
      const size_t open = body.find('(', i);
      if (open == std::string::npos) break;
      const size_t close = body.find(')', open);
      if (close == std::string::npos) fail("a term has no closing bracket");
      out += body.substr(i, open + 1 - i);
      size_t f = open;
      while (f > 0 && (body[f - 1] == ' ' || body[f - 1] == '\t')) --f;
      const bool arc = f > 0 && (body[f - 1] == 'a' || body[f - 1] == 'A');
      const std::string args = body.substr(open + 1, close - open - 1);
      size_t start = 0;
      for (int k = 0;; ++k) {
        const size_t comma = args.find(',', start);
        std::string arg =
            args.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        out += (k == 0 || (k == 1 && arc)) ? variable(arg) : trim(&arg[0]);
        if (comma == std::string::npos) break;
        out += ',';
        start = comma + 1;
      }
      out += ')';
      i = close + 1;
    }
    return out + body.substr(i);
  }

  // "a(child, parent)" terms into the initial structure.
  void initial(const std::string& body, matrix<char>& structure) const {
    const std::string text = terms(body);
    const int n = int(labels.size());
    for (size_t open = text.find('('); open != std::string::npos; open = text.find('(', open + 1)) {
      int child = -1, parent = -1;
      char tail = 0;
      if (std::sscanf(text.c_str() + open, "(%d,%d%c", &child, &parent, &tail) != 3 ||
          tail != ')' || child < 0 || child >= n || parent < 0 || parent >= n || child == parent)
        fail("initial arcs are written a(child, parent) with two different variables");
      structure(child, parent) = 1;
    }
  }
};

}  // namespace

void io::readconstraintfile(const params& p) {
  if (nrecords <= 0)
    fatal(
        "Option constraintfile needs a data set: its constraints apply while the cache is built.");
  FILE* f = fopen(p.constraintfile.c_str(), "r");
  if (!f) fatal("Error reading constraint file [%s].", p.constraintfile.c_str());
  sidefile file{p.constraintfile, labels};
  std::vector<std::string> added;
  bool initial = false;
  char buffer[10000];
  while (fgets(buffer, sizeof buffer, f)) {
    ++file.line;
    const std::string text = trim(buffer);
    if (text.empty() || text[0] == '#') continue;
    const size_t colon = text.find(':');
    std::string head = text.substr(0, colon);
    head = trim(&head[0]);
    const std::string body = colon == std::string::npos ? "" : text.substr(colon + 1);
    if (head == "initial") {
      file.initial(body, initialstructure);
      initial = true;
    } else {
      added.push_back(file.variable(head) + ":" + file.terms(body));
    }
  }
  fclose(f);
  if (!p.ignoreconstraints) constraints.insert(constraints.end(), added.begin(), added.end());
  nconstraints = int(constraints.size());
  if (initial && hasinitial <= 0) hasinitial = 1;
  if (p.verbose > 1)
    for (size_t i = 0; i < added.size(); ++i)
      messaging(infolevel, "constraint file line is >" + added[i] + "<");
  checkacyclic(p);
  forbid_reverse_arcs(*this);
}
