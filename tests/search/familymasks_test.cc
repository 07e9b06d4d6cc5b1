#include "search/familymasks.hh"

#include <gtest/gtest.h>

#include "core/graph.hh"
#include "random_cache.hh"

// On random caches of up to 130 variables (one to three mask words): the mask of every
// entry equals the one made from its family vector, and the parent list made from it
// equals the list getAdj makes from a structure row holding the family.
TEST(FamilyMasks, MasksAndParentListsMatchTheFamilies) {
  for (int n : {5, 64, 65, 130}) {
    io d;
    testsupport::random_cache(d, n, 6, 4, unsigned(n));
    const familymasks masks(d);
    ASSERT_EQ(masks.W, n > 64 ? (n + 63) / 64 : 1);
    std::vector<uint64_t> mask(size_t(masks.W));
    matrix<char> S(n, n, 0);
    matrix<int> fromrow(n, n, 0), frommask(n, n, 0);
    for (int v = 0; v < n; ++v)
      for (int e = 0; e < int(d.cache[v].size()); ++e) {
        const matrix<char>& family = d.cache[v][e].second;
        masks.maskof(v, family, mask.data());
        EXPECT_TRUE(masks.equal(mask.data(), masks.of(v, e)));
        for (int k = 0; k < n; ++k) S(v, k) = family[k];
        getAdj(S, fromrow, v);
        setparentlist(frommask, v, masks.of(v, e), masks.W);
        for (int c = 0; c <= fromrow(v, 0); ++c) ASSERT_EQ(frommask(v, c), fromrow(v, c));
      }
  }
}
