#include "search/localsearch.hh"

#include "core/fail.hh"

localsearch::localsearch(const params& p, const io& d, bool onlyeval)
    : p(p), d(d), scorer(d, p), onlyeval(onlyeval) {}
int localsearch::run(bool) { fatal("localsearch is not built yet"); }
bool localsearch::localsearch_aux(matrix<char>&, matrix<double>&, bool) {
  fatal("localsearch is not built yet");
}
void localsearch::showresult() { fatal("localsearch is not built yet"); }
