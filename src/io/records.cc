#include "io/records.hh"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/fail.hh"
#include "io/io.hh"
#include "io/textreader.hh"

namespace {

// A weight vector lists one weight per state; more than this is no data set.
constexpr int max_weights = 1000;
constexpr int grow_rows = 1024;

[[noreturn]] void wrong_categories(int t, int j) {
  fatal("line of data number %d: wrong number of categories for variable %d.\n", t, j);
}

[[noreturn]] void wrong_format(int t, int j) {
  fatal("line of data number %d: wrong input format for variable %d.\n", t, j);
}

// A plain value: the state is the value rounded half up, so 1.6 gives 2. The whole
// token must be the number: trailing text ("1x") and values below zero (-1 often marks
// a missing value) are refused rather than read as some state. Plain digit strings, the
// common case, skip strtod.
int plain_state(char* tok, int t, int j) {
  int len = 0, value = 0;
  while (len < 9 && tok[len] >= '0' && tok[len] <= '9') value = value * 10 + (tok[len++] - '0');
  if (len > 0 && tok[len] == '\0') return value;
  char* stop;
  const double v = std::strtod(tok, &stop);
  if (stop == tok || *stop != '\0') wrong_format(t, j);
  const double rounded = v + 0.5;
  // At 2^31 - 1 one more state overflows int; NaN fails both comparisons.
  if (!(v >= 0.0) || !(rounded < 2147483647.0)) wrong_format(t, j);
  return int(rounded);
}

// Splits the text after "[" at "," and "]" (empty pieces skipped) and reads each piece
// as a real.
void read_weights(const char* tok, std::vector<double>& out, int t, int j) {
  out.clear();
  const char* c = tok + 1;
  for (;;) {
    while (*c == ',' || *c == ']') ++c;
    if (*c == '\0') break;
    if (int(out.size()) == max_weights) wrong_categories(t, j);
    out.push_back(std::strtod(c, nullptr));
    while (*c != '\0' && *c != ',' && *c != ']') ++c;
  }
}

struct columns {
  std::vector<int> maxplain;   // largest plain state seen per column, -1 none
  std::vector<double> scratch;  // weights of the current vector
};

void store_weights(io& d, columns& seen, const char* tok, int t, int j) {
  read_weights(tok, seen.scratch, t, j);
  const int k = int(seen.scratch.size());
  int& states = d.categ[j];
  if (k == 0 || (states > 0 && states != k) || seen.maxplain[j] >= k) wrong_categories(t, j);
  states = k;
  std::vector<matrix<double>>& row = d.weights[t];
  if (row.empty()) row.resize(d.n);
  row[j] = matrix<double>(k, 1);
  std::copy(seen.scratch.begin(), seen.scratch.end(), row[j].data);
}

void grow(io& d, int records) {
  const int rows = std::min(records, std::max(2 * d.data.n, grow_rows));
  d.data.realoc(rows, d.n);
  d.weights.resize(rows);
}

}  // namespace

// Records are read in file order straight into the column-major data matrix. A column
// that has weight vectors has exactly as many states as its vectors have weights, so its
// plain values must stay below that count whichever comes first.
void read_records(io& d, textreader& in, int records) {
  if (d.n <= 0) return;
  columns seen;
  seen.maxplain.assign(d.n, -1);
  seen.scratch.reserve(max_weights);
  for (int t = 0; t < records; ++t) {
    if (t == d.data.n) grow(d, records);
    int* entry = d.data.data + t;
    const int stride = d.data.n;
    for (int j = 0; j < d.n; ++j, entry += stride) {
      char* tok = in.token();
      if (tok == nullptr) fatal("Error reading data position [%d,%d].", t, j);
      if (tok[0] == '[') {
        store_weights(d, seen, tok, t, j);
        *entry = -1;
        continue;
      }
      const int state = plain_state(tok, t, j);
      if (d.categ[j] > 0 && state >= d.categ[j]) wrong_categories(t, j);
      *entry = state;
      if (state > seen.maxplain[j]) seen.maxplain[j] = state;
    }
  }
  // With no record the data matrix is empty; its column range check ends the run.
  if (d.data.size() == 0) d.data.column(0, 1);
  for (int j = 0; j < d.n; ++j) d.categ[j] = std::max(d.categ[j], seen.maxplain[j] + 1);
}
