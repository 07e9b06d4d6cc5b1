#include "core/elim.hh"

#include "core/fail.hh"

[[noreturn]] static void not_built(const char* what) { fatal("%s is not built yet", what); }

matrix<char> moralize(const matrix<char>&) { not_built("moralize"); }
double treewidth_elim(const matrix<char>&, const matrix<int>&, const std::vector<int>&) {
  not_built("treewidth_elim");
}
matrix<int> bestfirst_elim(const matrix<char>&, const matrix<int>&, double&) {
  not_built("bestfirst_elim");
}
int adddescend(const matrix<char>&, matrix<char>&, matrix<char>&, int) { not_built("adddescend"); }
