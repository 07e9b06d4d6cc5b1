#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/fail.hh"
#include "core/limits.hh"
#include "core/text.hh"
#include "io/constraints.hh"
#include "io/io.hh"
#include "io/records.hh"
#include "io/textreader.hh"

namespace {

// The first line: N n P Q [S [K]].
struct header {
  int records = 0;      // N
  int variables = 0;    // n
  int paramcons = 0;    // P; negative announces a label line
  int constraints = 0;  // Q
  int structure = 0;    // S: > 0 initial structure, 0 allowance matrix only, < 0 neither
  int clusters = 0;     // K: non-zero, clusters and mutual information follow
};

// From this many variables on, the n x n tables cost tens of megabytes; such a claim
// must be backed by a file that holds at least one record.
constexpr int big_variables = 2048;

constexpr const char* first_line_error =
    "DORV: Input format error on (first line) definition of n, m, 0, num. structural "
    "constraints, boolean if there is initial structure\n";

// Up to six integers as scanf("%d %d %d %d %d %d") reads them, values clamped to int.
int scan_integers(const char* s, long long* values) {
  int count = 0;
  while (count < 6) {
    char* stop;
    long long v = std::strtoll(s, &stop, 10);
    if (stop == s) break;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    values[count++] = v;
    s = stop;
  }
  return count;
}

// A negative number of variables, one that no table can hold, or one that a regular
// file too small for one record cannot back, is a first-line error rather than an
// allocation.
bool implausible_variables(long long n, const textreader& in) {
  if (n < 0 || n > max_square_side) return true;
  if (n < big_variables) return false;
  const long long left = in.remaining_bytes();
  return left >= 0 && n > (left + 1) / 2;
}

// The records a regular file can still hold: n tokens per record, each at least one
// character followed by a blank. Streams of unknown size start small and grow.
int record_capacity(int records, int n, const textreader& in) {
  if (records <= 0) return records;
  const long long left = in.remaining_bytes();
  long long cap = left < 0 ? 1024 : (left + 1) / (2LL * std::max(n, 1)) + 1;
  return int(std::min<long long>(records, cap));
}

long read_long(textreader& in, const char* error) {
  char* tok = in.token();
  char* stop = tok;
  const long v = tok ? std::strtol(tok, &stop, 10) : 0;
  if (stop == tok) fatal("%s", error);
  return v;
}

double read_double(textreader& in, const char* error) {
  char* tok = in.token();
  char* stop = tok;
  const double v = tok ? std::strtod(tok, &stop) : 0.0;
  if (stop == tok) fatal("%s", error);
  return v;
}

template <typename T>
int nonzeros(const matrix<T>& m) {
  int count = 0;
  for (int k = 0; k < m.size(); ++k) count += m[k] != 0;
  return count;
}

void read_constraint_lines(io& d, textreader& in, int wanted, const params& p) {
  int lineno = 1;
  std::string text;
  d.constraints.clear();
  while (int(d.constraints.size()) < wanted) {
    ++lineno;
    if (!in.line(text)) fatal("Error reading line %d of input file", lineno);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    if (!text.empty()) d.constraints.push_back(text);
  }
  if (p.ignoreconstraints) d.constraints.clear();
  d.nconstraints = int(d.constraints.size());
  d.nparamconstraints = 0;
  if (p.verbose > 1) {
    io::messaging(io::infolevel, format("#structural-constraints=%d", d.nconstraints));
    for (int i = 0; i < d.nconstraints; ++i)
      io::messaging(io::infolevel, "constraint " + std::to_string(i) + " is >" + d.constraints[i] + "<");
  }
}

// The allowance matrix, row by row; the diagonal stays 0.
void read_allowance(io& d, textreader& in, const params& p) {
  for (int i = 0; i < d.n; ++i)
    for (int j = 0; j < d.n; ++j) {
      const long v = read_long(in, "Error reading initial constraint matrix.");
      if (v < -1 || v > 1)
        fatal("initial constraint matrix has invalid element(s). Only -1, 0 and 1 are possible.");
      if (i != j && !p.ignoreconstraints) d.allow(i, j) = char(v);
    }
}

void read_initial_structure(io& d, textreader& in, const params& p) {
  for (int i = 0; i < d.n; ++i)
    for (int j = 0; j < d.n; ++j) {
      const long v = read_long(in, "Error reading initial structure matrix.");
      if (v != 0 && v != 1)
        fatal("initial structure matrix has invalid element(s). Only 0 and 1 are possible.");
      d.initialstructure(i, j) = char(v);
    }
  if (p.verbose > 1)
    io::messaging(io::infolevel, "initial structure has [" +
                                     std::to_string(nonzeros(d.initialstructure)) +
                                     "] nonzeros.");
}

void read_clusters_and_mutualinfo(io& d, textreader& in, const params& p) {
  for (int i = 0; i < d.n; ++i) d.clusters(i, 0) = char(read_long(in, "Error reading cluster line."));
  d.clusters.transpose().print("clusters");
  int count = 0;
  for (int i = 0; i < d.n; ++i)
    for (int j = 0; j < d.n; ++j) {
      const double v = read_double(in, "Error reading initial mutual info matrix.");
      d.mutualinfo(i, j) = v;
      count += std::fabs(v) > 1e-6;
    }
  if (p.verbose > 0) logtext(format("initial mutual info matrix has [%d] nonzeros.\n", count));
}

bool starts_label(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void read_labels(io& d, textreader& in, const params& p) {
  for (int i = 0; i < d.n; ++i) {
    std::string label;
    if (d.haslabels) {
      char* tok;
      do {
        tok = in.token();
        if (tok == nullptr) fatal("Error reading label data.");
      } while (!starts_label(tok[0]));
      label = trim(tok);
    } else {
      std::string name = "v" + std::to_string(i);
      label = trim(&name[0]);
    }
    d.labels[i] = label;
    if (p.verbose > 1) io::messaging(io::infolevel, "node=" + std::to_string(i) + " name=" + label);
  }
}

void warn_excess_data(const io& d, textreader& in) {
  char* tok = in.token();
  if (tok == nullptr) return;
  char* stop;
  std::strtod(tok, &stop);
  if (stop != tok)
    io::messaging(io::warnlevel,
                  format("input file has more data records than were loaded. Using %d data "
                         "records only.",
                         d.nrecords));
}

header read_header(FILE* stream, textreader& in, long long* values, int& count) {
  char first[textreader::max_line + 1];
  if (fgets(first, sizeof first, stream) == nullptr)
    fatal("Error reading line %d of the input file", 1);
  count = scan_integers(first, values);
  header h;
  if (count < 4) return h;
  h.records = int(values[0]);
  h.variables = int(values[1]);
  h.paramcons = int(values[2]);
  h.constraints = int(values[3]);
  if (count >= 5) h.structure = int(values[4]);
  if (count >= 6) h.clusters = int(values[5]);
  if (implausible_variables(h.variables, in)) fatal("%s", first_line_error);
  return h;
}

// A one-number first line starts a score file; the score-file reader goes on from the
// second line of the same stream.
int start_score_file(io& d, const textreader& in, long long nodes) {
  if (implausible_variables(nodes, in)) fatal("%s", first_line_error);
  logtext(format("GUESSING INPUT IN .gob FORMAT WITH [%d] NODES\n", int(nodes)));
  d.init(int(nodes), 0);
  d.nrecords = 0;
  d.nconstraints = 0;
  d.nparamconstraints = 0;
  d.hasinitial = -1;
  return 2;
}

}  // namespace

void print_data_summary(const io& d, const params& p) {
  if (p.verbose <= 0) return;
  io::messaging(io::infolevel, "#categories-per-variable=" + d.categ.transpose().show());
  io::messaging(io::infolevel, format("#variables=%d", d.n));
  io::messaging(io::infolevel, format("#data-records=%d", d.nrecords));
}

// Reads the data set in file order: header line, constraint lines, then as tokens the
// allowance matrix, initial structure, clusters and mutual information, labels and
// records. Returns 2 when the file is a score file (left to readCussenscache), else 1.
int io::readDORVinput(const params& p) {
  textreader in(p.infile);
  long long values[6];
  int count = 0;
  const header h = read_header(p.infile, in, values, count);
  if (count == 1) return start_score_file(*this, in, values[0]);
  if (count < 4) fatal("%s", first_line_error);
  if (h.paramcons > 0)
    fatal("DORV: the number of parameter constraints must be set to zero. This code does not "
          "work with them.\n");
  haslabels = h.paramcons < 0 ? 1 : 0;

  const int records = p.maxdata < h.records ? p.maxdata : h.records;
  init(h.variables, record_capacity(records, h.variables, in));
  nrecords = records;
  if (records < h.records && p.verbose > 1)
    logtext(format("setting data set to [%d] samples\n", p.maxdata));
  hasinitial = h.structure > 0 ? h.structure : 0;

  read_constraint_lines(*this, in, h.constraints, p);
  if (h.structure >= 0 && n > 0) read_allowance(*this, in, p);
  if (p.verbose > 1)
    messaging(infolevel, "initial allowance matrix has [" + std::to_string(nonzeros(allow)) +
                             "] nonzeros.");
  if (h.structure > 0 && n > 0) read_initial_structure(*this, in, p);
  if (h.clusters != 0) read_clusters_and_mutualinfo(*this, in, p);
  checkacyclic(p);
  forbid_reverse_arcs(*this);
  read_labels(*this, in, p);
  read_records(*this, in, records);
  print_data_summary(*this, p);
  warn_excess_data(*this, in);
  return 1;
}
