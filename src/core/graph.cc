#include "core/graph.hh"

#include "core/fail.hh"

[[noreturn]] static void not_built(const char* what) { fatal("%s is not built yet", what); }

const matrix<int> tarjan::Estd;
const bitmap tarjan::incstd;

void getAdjChild(const matrix<char>&, matrix<int>&, int) { not_built("getAdjChild"); }
void getAdj(const matrix<char>&, matrix<int>&, int) { not_built("getAdj"); }
matrix<int> acyclic(const matrix<char>&) { not_built("acyclic"); }
cycleset acyclicAdj(const matrix<int>&, bool, const bitmap&) { not_built("acyclicAdj"); }
tarjan::tarjan(int) { not_built("tarjan"); }
bool tarjan::strongcomp(const matrix<int>&, const matrix<int>&, int, const bitmap&) {
  not_built("strongcomp");
}
bool tarjan::strongcompaux1(const matrix<int>&, int, const bitmap&) { not_built("strongcompaux1"); }
void tarjan::strongcompaux(const matrix<int>&, int) { not_built("strongcompaux"); }
void tarjan::marcadown(const matrix<int>&, bitmap&, int) { not_built("marcadown"); }
