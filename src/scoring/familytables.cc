#include "scoring/familytables.hh"

#include <memory>

#include "scoring/score.hh"

io::familytable familytables(const io& d, const params& p) {
  auto scorer = std::make_shared<score>(d, p);
  return [scorer](const matrix<int>& family, int child, matrix<double>& cpt) {
    scorer->update(family, child);
    double a = 1.0, b = 1.0;
    return scorer->localscore(cpt, a, b);
  };
}
