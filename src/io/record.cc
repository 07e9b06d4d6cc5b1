#include "io/io.hh"

// Sizes every table for nvars variables and `records` records. A record's weight
// vectors are created only when the record has one, so weights[t] starts empty.
void io::init(int nvars, int records) {
  n = nvars;
  nrecords = records;
  allow = matrix<char>(n, n, 0);
  initialstructure = matrix<char>(n, n, 0);
  mutualinfo = matrix<double>(n, n, 0.0);
  clusters = matrix<char>(n, 1, 0);
  maxparents = matrix<int>(n, 1, n - 1);
  cache.assign(n > 0 ? n : 0, parentsetlist());
  cachesize = 0;
  logsearchspace = 0.0;
  labels.assign(n > 0 ? n : 0, std::string());
  data = matrix<int>(records, n, 0);
  categ = matrix<int>(n, 1, 0);
  weights.assign(records > 0 && n > 0 ? records : 0, std::vector<matrix<double>>());
}
