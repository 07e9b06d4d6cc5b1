// io: everything the run knows about the problem: variables, records, numbers of
// states, structural constraints, the initial structure, labels, clusters, mutual
// information and the score cache. main owns one record for the whole run; the readers
// fill it, buildmap or the cache readers fill its cache, vacuum normalises the cache,
// and afterwards it is read-only.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/bitmap.hh"
#include "core/log.hh"
#include "core/matrix.hh"
#include "core/params.hh"

class io {
 public:
  static constexpr int infolevel = loglevel::info;
  static constexpr int debuglevel = loglevel::debug;
  static constexpr int warnlevel = loglevel::warn;
  static constexpr int errorlevel = loglevel::error;

  int n = 0;
  int nrecords = 0;
  // One list per variable; an empty vector means no cache was loaded or built.
  std::vector<parentsetlist> cache;
  int cachesize = 0;
  double logsearchspace = 0.0;
  matrix<char> allow;             // (i, j): -1 j must be a parent of i, 1 j may not, 0 free
  std::vector<std::string> labels;
  // statenames[v][s]: the name of state s of variable v, from CSV data; empty for data
  // in the native format, whose states are named by their numbers.
  std::vector<std::vector<std::string>> statenames;
  matrix<char> clusters;          // n x 1
  matrix<double> mutualinfo;      // n x n
  matrix<int> data;               // nrecords x n; -1 marks an entry given as weights
  matrix<char> initialstructure;  // (i, j) = 1: j is a parent of i
  // weights[t][j]: the weight vector of entry (t, j); weights[t] stays empty for a
  // record without weight vectors.
  std::vector<std::vector<matrix<double>>> weights;
  matrix<int> categ;              // n x 1 numbers of states
  int nparamconstraints = 0;
  int nconstraints = 0;
  std::vector<std::string> constraints;
  int hasinitial = 0;  // > 0 initial structure read, 0 none, -1 score file
  matrix<int> maxparents;  // n x 1
  int haslabels = 0;
  // A known graph the result is compared with (option truegraph), n x n like a
  // structure; empty when none was given.
  matrix<char> truestructure;

  // Writes "[info] ", "[debug] ", "[warn] " or "[error] ", text and a line end; flushes.
  // Any other level writes nothing.
  static void messaging(int level, const std::string& text, std::ostream& out);
  // The same on standard error, through the program's log route (core/log.hh).
  static void messaging(int level, const std::string& text) { logline(level, text); }

  void init(int nvars, int records, bool squaretables = true);
  // allow and initialstructure as n x n zeros, unless they have that size already.
  void make_square_tables();

  int readDORVinput(const params& p);
  // Reads CSV data (csvreader.cc) from p.infile: names, states, records.
  void readcsv(const params& p);
  // Adds the constraints and the initial structure of the file p.constraintfile to the
  // data set read before (constraintfile.cc).
  void readconstraintfile(const params& p);
  void checkacyclic(const params& p);
  // only >= 0: that variable alone (a job building one variable's list).
  void vacuum(const params& p, int only = -1);

  void writeDORVcache(const params& p, const matrix<char>& structure) const;
  void readDORVcache(const params& p);
  void readCussenscache(const params& p);
  void writeCussenscache(const params& p) const;
  void writeHelsinkicache(const params& p) const;

  // Counts a family (n x 1 cardinalities: r at child, the parents' state counts, 0
  // elsewhere) over the data: returns its local score and fills cpt, which must be
  // non-empty, with its probability table (theta(k | j) at j * r + k). The scoring
  // layer provides it (scoring/familytables.hh).
  using familytable =
      std::function<double(const matrix<int>& family, int child, matrix<double>& cpt)>;

  // Writes the network S: its parent matrix, the probability table of every family when
  // data records are loaded (counted through table), its total score and, with a true
  // graph, the comparison with it; also the graph file and the network file (BIF) when
  // they are named. Returns the total score.
  double dooutput(const params& p, const matrix<char>& S, const familytable& table) const;
};
