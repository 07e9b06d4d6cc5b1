// The cache construction's per-thread part: a buildworker builds whole variables' lists,
// one at a time, with its own scorer, count tables and level structures; what the
// workers share is a buildshared. See buildworker.cc for the method, buildmap.cc for
// the run around it.
//
// Memory: the description's maps move the program-wide counter by 0.0625 KB per node
// plus n bytes of key. The workers never write resources::memkbs (every matrix they use
// is made before they start): their nodes are counted in one atomic integer, and the
// memory of the run is resources::memkbs + nodes x node size, exact at every moment.
// A worker samples it after each candidate that added nodes (the value its own atomic
// addition returned, so the sample is exact although other workers add too) and at the
// first candidate of each variable; no other candidate can raise it above the last
// sample. With one worker the samples and the peak are those of a sample after every
// candidate.
#pragma once

#include <atomic>
#include <vector>

#include "core/matrix.hh"
#include "core/wordset.hh"
#include "scoring/score.hh"
#include "scoring/setlist.hh"

class io;
class params;
class buildpool;

struct buildshared {
  buildshared(const io& rec, const params& par);

  const io& d;
  const params& p;
  const int n, words;
  const bool bdeu, prune;
  const double nodekb;  // KB per map node
  // cache[i] is written only by the worker of variable i while they run.
  std::vector<setlist> cache;
  const buildpool* pool = nullptr;
  // resources::memkbs while the workers run (none of them changes it).
  double basekb = 0;
  // Map nodes alive, all workers together: added to by every worker, on a cache line
  // of its own.
  alignas(64) std::atomic<long long> nodes{0};
  // The memory level last reported by "increasing memory usage", in MB.
  alignas(64) std::atomic<double> lastmaxmem{0.0};

  // The workers' peaks, for the run's peak.
  std::vector<const std::atomic<double>*> peaks;

  // The run's memory in MB with `count` nodes alive.
  double megabytes(long long count) const { return (basekb + double(count) * nodekb) / 1024; }
  // The highest sample of any worker so far, in MB.
  double runpeak() const;
};

class buildworker {
 public:
  buildworker(buildshared& s, double startpeak);
  // Builds the list of variable `child` into the shared cache. Returns early, with an
  // empty list, when the pool abandons the variable.
  void variable(int child);
  // Forgets the variable being built (after a fatal error in it).
  void discard();
  // Makes the scorer's family vector now, on the thread that accounts for it.
  void makefamily() { scorer.family = matrix<int>(sh.n, 1, 0); }

  long candidates = 0;
  // The highest memory sample of this worker, in MB; read by others at a stop.
  std::atomic<double> peak;

 private:
  buildshared& sh;
  const io& d;
  const params& p;
  const int n, words;
  score scorer;
  setlist level, next;
  size_t pruned = 0;
  // State of the variable being processed.
  int i = 0;
  int scorecalls = 0, lemma = 0, bounda = 0, boundb = 0;
  matrix<int> fam;         // categ x the current set
  matrix<char> setvector;  // the current set for the constraint test
  int baseparent = -1;       // the highest parent of the set being extended
  bool prefixready = false;  // the scorer holds the ranks of its parents
  long long sample = 0;      // the run's nodes after this worker's last addition
  bool added = false;        // nodes added since the last memory sample
  bool sampled = false;      // a memory sample was taken for this variable
  bool stopped = false;      // the pool abandoned the variable

  bool isfree(int k) const;
  void addnodes(long long count);
  void dropnodes(long long count);
  void setfamily(const setword* set);
  bool satisfies(const setword* set);
  void runlevel(int t);
  void candidate(setword* set, int pos, double reference, double configs);
  double scorecandidate(int pos, double& a, double& b);
  void preparescorer(int pos);
  bool belowreference(int pos, double ref);
  void keepforextension(const setword* set, bool ok, double ref);
  bool boundhit(setword* set, int pos, double& ref, double bound);
  bool subsethit(const setword* set, double& ref, double configs);
  void store(const setword* set, double u, double ref);
  void memorycheck();
  void report();
};
