#include "io/io.hh"

// Sizes every table for nvars variables and `records` records. A record's weight
// vectors are created only when the record has one, so weights[t] starts empty. A score
// file leaves the n x n tables to be made once it has shown all its variables
// (make_square_tables).
void io::init(int nvars, int records, bool squaretables) {
  n = nvars;
  nrecords = records;
  allow.clear();
  initialstructure.clear();
  mutualinfo.clear();
  if (squaretables) make_square_tables();
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

void io::make_square_tables() {
  if (allow.n != n || allow.m != n) allow = matrix<char>(n, n, 0);
  if (initialstructure.n != n || initialstructure.m != n) initialstructure = matrix<char>(n, n, 0);
  // Made even when the data set carries no values for it: its size is part of the
  // memory figures every run prints.
  if (mutualinfo.n != n || mutualinfo.m != n) mutualinfo = matrix<double>(n, n, 0.0);
}
