#include "io/constraints.hh"

#include <climits>
#include <cstring>

#include "core/fail.hh"
#include "core/graph.hh"
#include "io/io.hh"

// The line is scanned in place as spans [begin, end); nothing is copied or allocated,
// because the cache construction tests every candidate parent set against every line.
namespace {

struct span {
  const char* begin = nullptr;
  const char* end = nullptr;
  bool empty() const { return begin == end; }
  bool equals(const char* word) const {
    const size_t len = std::strlen(word);
    return size_t(end - begin) == len && std::memcmp(begin, word, len) == 0;
  }
};

bool in_set(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

// The next maximal run of characters outside `delims` at or after `from` in [from, stop).
span next_run(const char*& from, const char* stop, const char* delims) {
  while (from < stop && in_set(*from, delims)) ++from;
  span run;
  run.begin = from;
  while (from < stop && !in_set(*from, delims)) ++from;
  run.end = from;
  return run;
}

// A decimal integer at the start of s, as strtol reads it (leading blanks, a sign),
// clamped to +-2^30 so that k + 1 cannot overflow. False when no digit follows.
bool read_int(span s, int& value) {
  const char* c = s.begin;
  while (c < s.end && (*c == ' ' || (*c >= '\t' && *c <= '\r'))) ++c;
  bool negative = false;
  if (c < s.end && (*c == '+' || *c == '-')) negative = *c++ == '-';
  if (c == s.end || *c < '0' || *c > '9') return false;
  long long v = 0;
  for (; c < s.end && *c >= '0' && *c <= '9'; ++c)
    if (v <= (1LL << 30)) v = v * 10 + (*c - '0');
  if (v > (1LL << 30)) v = 1LL << 30;
  value = int(negative ? -v : v);
  return true;
}

constexpr const char* term_delims = " \t+or";
constexpr const char* arg_delims = "aAdD(,)xXvV";

enum class kind { arc, indegree };
enum class degree { eq, lt, gt };

// One term, checked: a(v, j) / -a(v, j) with j a valid other variable, or d(v, k, type).
struct term {
  kind what = kind::arc;
  bool negated = false;
  int target = 0;  // j of an arc, k of an in-degree term
  degree type = degree::eq;
};

term parse_term(span t, int v, int nvars, const char* text) {
  term out;
  const char* c = t.begin;
  if (c < t.end && *c == '-') {
    out.negated = true;
    ++c;
  }
  if (c == t.end || !in_set(*c, "aAdD"))
    fatal("Constraint %s is malformed (invalid function).\n", text);
  out.what = (*c == 'a' || *c == 'A') ? kind::arc : kind::indegree;
  int first = 0;
  if (!read_int(next_run(c, t.end, arg_delims), first))
    fatal("Constraint %s is malformed.\n", text);
  if (first != v) fatal("Constraint %s is malformed (variable number mismatch).\n", text);
  if (!read_int(next_run(c, t.end, arg_delims), out.target))
    fatal("Constraint %s is malformed.\n", text);
  if (out.what == kind::arc) {
    // An arc from outside the variables, or from v to itself, names no possible parent.
    if (out.target < 0 || out.target >= nvars || out.target == v)
      fatal("Constraint %s is malformed.\n", text);
    return out;
  }
  const span type = next_run(c, t.end, arg_delims);
  if (type.empty()) fatal("Constraint %s is malformed.\n", text);
  if (type.equals("eq")) out.type = degree::eq;
  else if (type.equals("lt")) out.type = degree::lt;
  else if (type.equals("gt")) out.type = degree::gt;
  else fatal("Constraint %s is malformed (invalid type for function indegree: eq,lt,gt).\n", text);
  return out;
}

bool holds(const term& t, const matrix<char>& set) {
  if (t.what == kind::arc) return (set[t.target] != 0) != t.negated;
  int parents = -1;
  for (int k = 0; k < set.size(); ++k) parents += set[k] != 0;
  switch (t.type) {
    case degree::eq: return parents == t.target;
    case degree::lt: return parents < t.target;
    default: return parents > t.target;
  }
}

// Folds a single term into the allowance row; flag receives a parent limit or -1.
void apply_term(const term& t, matrix<char>& row, int& flag, const char* text) {
  if (t.what == kind::indegree) {
    if (t.type == degree::eq) flag = t.target + 1;
    else if (t.type == degree::lt) flag = t.target;
    return;
  }
  const char value = t.negated ? 1 : -1;
  char& cell = row[t.target];
  if (cell == value) return;
  if (cell != 0) fatal("Constraint %s implies cyclic graph.\n", text);
  cell = value;
}

}  // namespace

// The variable number comes before the first ':'; the terms after it are the runs
// between blanks, tabs, '+', 'o' and 'r', so "or" and "+" both separate terms. Terms are
// parsed only when they are used, so a malformed later term of a disjunction whose
// earlier term already holds goes unnoticed, as in evaluation by short circuit.
matrix<char> verifystrucon(const char* text, int var, const matrix<char>& row, int& flag) {
  const bool apply = flag != 0;
  const char* colon = std::strchr(text, ':');
  const char* stop = text + std::strlen(text);
  span head{text, colon ? colon : stop};
  int v = 0;
  if (!read_int(head, v)) fatal("Constraint %s is malformed.\n", text);
  const char* cursor = colon ? colon + 1 : stop;
  const int nvars = row.size();

  if (apply) {
    matrix<char> result(row);
    flag = -1;
    if (v != var) return result;
    const span first = next_run(cursor, stop, term_delims);
    if (first.empty()) return result;
    const term t = parse_term(first, v, nvars, text);
    if (!next_run(cursor, stop, term_delims).empty()) return result;
    apply_term(t, result, flag, text);
    return result;
  }

  flag = 0;
  if (v != var) {
    flag = 1;
    return matrix<char>();
  }
  for (span s = next_run(cursor, stop, term_delims); !s.empty();
       s = next_run(cursor, stop, term_delims)) {
    if (holds(parse_term(s, v, nvars, text), row)) {
      flag = 1;
      break;
    }
  }
  return matrix<char>();
}

// Folds every constraint line into the allowance matrix and the parent limits, then
// refuses required arcs that close a cycle and an initial structure with a cycle.
void io::checkacyclic(const params&) {
  if (n > 0 && nconstraints > 0) {
    for (int i = 0; i < n; ++i) {
      for (int c = 0; c < nconstraints; ++c) {
        int flag = 1;
        const matrix<char> row =
            verifystrucon(constraints[c].c_str(), i, allow.line(i, i + 1), flag);
        allow.updateline(i, row);
        if (flag >= 0) maxparents[i] = flag;
      }
    }
  }
  matrix<char> required(allow);
  for (int k = 0; k < required.size(); ++k) required[k] = char(-required[k]);
  if (acyclic(required).size() > 0)
    fatal("DORV: Constraints must be acyclic, otherwise any super-graph is invalid\n");
  if (acyclic(initialstructure).size() > 0)
    fatal("DORV: Initial structure matrix must be acyclic, otherwise it is not a valid "
          "starting solution\n");
}

void forbid_reverse_arcs(io& d) {
  for (int i = 0; i < d.n; ++i)
    for (int j = 0; j < d.n; ++j)
      if (d.allow(i, j) == -1) {
        check(d.allow(j, i) >= 0, "allow(j,i)>=0");
        d.allow(j, i) = 1;
      }
}
