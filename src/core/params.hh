// params: every run parameter, filled once from the option file named on the command
// line (src/app reads it) and read-only afterwards (the driver may only raise
// initialbest). Every layer reads it; it knows nothing of where its values come from.
// String options left unset hold params::notdef; integer limits left unset hold U30.
// infile and outfile are the streams of the data set and of the results: the option
// parser only records their names, the driver opens them.
#pragma once

#include <cstdio>
#include <string>

class params {
 public:
  static constexpr int U30 = 134217728;
  static constexpr double D30 = 1e200;
  static const char* const notdef;
  static const char* const versionnum;

  int verbose = 1;
  int duplist = 0;
  int threads = 1;
  int jakkolacuts = 2;
  int algorithm = 0;
  bool aicscore = false;
  bool forcelocalsearch = true;
  int reseedinterval = 1000;
  int seed = 0;
  int heuristictype = 3;
  bool reductionnormal = false;
  bool reductionextra = false;
  double alpha = 0.0;
  int cyclecuts = 0;
  FILE* outfile = stdout;
  FILE* infile = stdin;
  double initialbest = -D30;
  int maxiter = U30;
  int maxseconds = U30;
  int maxmem = U30;
  int ilpapprox = 0;
  bool useinputcache = false;
  double mingap = 0.0;
  double maxtreewidth = 134217728.0;
  double abstarget = 0.0;
  int maxdata = U30;
  int ignoreconstraints = 0;
  int node = -1;
  int globalmaxparents = U30;
  std::string inputfile = notdef;
  std::string outputfile = notdef;
  std::string algorithmname = notdef;
  std::string cachefile = notdef;
  std::string cacheformat = notdef;
  std::string graphfile = notdef;
  std::string heuristicname = notdef;
  std::string score = notdef;
  int diskspace = 0;
  bool prunescores = true;
  std::string diskspacename = notdef;
  // Options beyond the classic listing.
  std::string inputformat = notdef;     // "native", "csv", or by the file's extension
  char csvseparator = ',';
  bool missingdrop = false;             // CSV: drop records with missing values
  std::string constraintfile = notdef;  // constraints and initial structure by name
  std::string networkfile = notdef;     // the network in BIF
  std::string truegraph = notdef;       // a known graph to compare the result with

  // Seeds the process-wide generator from the clock and draws reseedinterval.
  params();

  // Seeds the process-wide generator with s, records it in seed and draws a new
  // reseedinterval (1000..1999) from the freshly seeded generator.
  void seed_generator(int s);

  // "not def" for v < 0 and for the unlimited U30 and above, else the decimal text.
  static std::string numlimit(int v);
};
