// bbsearch: the working state of one branch-and-bound run and the expansion of its nodes.
//
// A node restricts every variable to a subset of its cached parent sets (perVar[v], one
// bit per entry of v's list, ascending by score, so the highest set bit is v's best
// allowed set). Its relaxation gives every variable that best set; the sum of those
// scores, the key, bounds every network inside the node. `below` and `comp` come from the
// strong-component run made when the node was created: comp is the first non-trivial
// component, below what lies downstream of any component. Variables in neither (`up`)
// cannot take part in a cycle and keep their best set.
//
// The incumbent (best, bestE, status) belongs to the branchandbound record; this object
// refers to it and updates it when a node is solved.
#pragma once

#include <memory>
#include <vector>

#include "core/params.hh"
#include "core/bitmap.hh"
#include "core/graph.hh"
#include "core/matrix.hh"
#include "io/io.hh"
#include "search/bbgraph.hh"
#include "search/cyclefinder.hh"
#include "search/familymasks.hh"
#include "search/openlist.hh"

class bbsearch {
 public:
  const params& p;
  const io& d;
  const int n;
  const parentsetlist* lists;
  double& best;
  matrix<char>& bestE;
  int& status;

  std::vector<bitmap> perVar;
  std::vector<bitmap> saved;
  bitmap up, below, comp;
  matrix<char> relax;  // filled from `chosen` only where a matrix is needed (see fillrelax)
  matrix<char> unionm;
  matrix<int> adj;
  tarjan tj;
  bbgraph graph;       // the relaxation in hand
  std::vector<int> chosen;  // the entry each variable takes in the relaxation in hand
  cyclefinder cycles;
  std::unique_ptr<myqueue> queue;
  std::unique_ptr<plelement> work;

  int iter = 0;
  int streak = 0;
  int prunebyval = 0;
  int prunebyfeas = 0;
  double peakmem = 0.0;
  double outerbound = 1e30;
  int lastverb = 0;  // the iteration from which the next progress line may be printed

  // ln(maxtreewidth + 1), and whether any structure can exceed it: when the weight of all
  // variables together is within the limit no elimination is needed, every width passes.
  double widthlimit;
  bool widthcanbind;

  bbsearch(const params& p, const io& d, double& best, matrix<char>& bestE, int& status);

  // Runs the search from the root until the list is empty or a limit or the gap test
  // stops it; returns the key of the node in hand (the root's when nothing was popped).
  double search();

  // Builds the root into the work element and queues it when its bound beats the
  // incumbent; returns the bound. Prints the root's summary lines.
  double makeroot();
  // Takes the work element apart into perVar, below, comp and up.
  void unpack();
  // One popped node with key k: settles it or queues its children. True when the gap
  // test ended the search. k becomes the node's final bound.
  bool expand(double& k);

  // Whether the relaxation in hand is within the treewidth bound.
  bool passeswidth();
  bool gapreached() const;

  // Child evaluation, the cycle rule and the rule for an acyclic relaxation.
  bool evaluatechild(double K, double k);
  bool expandcycle(double& k);
  bool settleacyclic(double k);
  void expandtreewidth(double k);

 private:
  void loop(double& k);
  void progressline(double k, double m) const;
  bool newincumbent(double K, const char* text);
  std::vector<int> cycle;  // the cycle being broken
  // Per variable v and entry e, the parents of the entry as graph words; per variable v
  // and variable q, the entries of v holding q as a bitmap over v's list (holding from
  // holdingat[v] + q * words of v's bitmap).
  const familymasks pmasks;
  std::vector<uint32_t> holding;
  std::vector<size_t> holdingat;
  std::vector<uint32_t> cut;  // scratch of the cycle rule: the entries a child loses
  std::vector<int> varat;     // where each variable's words start in a node record
  std::vector<const setword*> rows;  // scratch of loadrelaxation: each variable's parents

  void tabulate();
  void mirror(int v);
  bool loadrelaxation();
  void fillrelax();
  bool firstcycle(const bitmap& mask);
  void setrow(int c, int e);
  void strongcomp();
  void cutmask(int c, int parent, bool leaveoneout);
};
