#include "scoring/score.hh"

#include <gtest/gtest.h>

#include <cmath>

#include "core/params.hh"
#include "io/io.hh"
#include "plainscore.hh"

namespace {

constexpr double tol = 1e-9;

// Four records of three variables:
//   X0: 0 0 1 1    X1: 0 1 1 1    X2: 0 0 0 0 (a single state)
void fourrecords(io& d) {
  d.init(3, 4);
  const int x0[] = {0, 0, 1, 1}, x1[] = {0, 1, 1, 1};
  for (int t = 0; t < 4; ++t) {
    d.data(t, 0) = x0[t];
    d.data(t, 1) = x1[t];
    d.data(t, 2) = 0;
  }
  d.categ[0] = 2;
  d.categ[1] = 2;
  d.categ[2] = 1;
}

matrix<int> familyof(const io& d, std::initializer_list<int> members) {
  matrix<int> f(d.n, 1, 0);
  for (int v : members) f[v] = d.categ[v];
  return f;
}

double scoreof(const io& d, params& p, std::initializer_list<int> members, int child,
               double& a, double& b) {
  score s(d, p);
  s.update(familyof(d, members), child);
  matrix<double> none;
  return s.localscore(none, a, b);
}

TEST(Score, EmptyParentSetByHand) {
  io d;
  fourrecords(d);
  params p;
  double a = 1.0, b = 1.0;
  // N_0 = 1, N_1 = 3 of N = 4: LL = ln(1/4) + 3 ln(3/4) = -2.249340.
  // BIC: LL - 1 * (2-1) * ln(4)/2 = -2.942488; AIC: LL - 1 = -3.249341.
  EXPECT_NEAR(scoreof(d, p, {1}, 1, a, b), -2.9424877590351786, tol);
  EXPECT_EQ(a, 1.0);  // BIC and AIC leave the bound terms alone
  EXPECT_EQ(b, 1.0);
  score counted(d, p);
  counted.update(familyof(d, {1}), 1);
  EXPECT_EQ(counted.counts[0], 4.0);
  EXPECT_EQ(counted.counts2[0], 1.0);
  EXPECT_EQ(counted.counts2[1], 3.0);
  p.aicscore = true;
  EXPECT_NEAR(scoreof(d, p, {1}, 1, a, b), -3.249340578475233, tol);
  // BDeu alpha 0.5: a_j = 0.5, a_jk = 0.25:
  // lnG(1.25) - lnG(.25) + lnG(3.25) - lnG(.25) - (lnG(4.5) - lnG(.5)) = -3.619887;
  // two child states seen: b = -2 ln 2, a = 0.
  p.alpha = 0.5;
  EXPECT_NEAR(scoreof(d, p, {1}, 1, a, b), -3.6198865826269846, tol);
  EXPECT_NEAR(a, 0.0, tol);
  EXPECT_NEAR(b, -2 * std::log(2.0), tol);
}

TEST(Score, OneParentByHand) {
  io d;
  fourrecords(d);
  params p;
  double a = 1.0, b = 1.0;
  // X0 = 0: X1 in {0, 1}; X0 = 1: X1 = 1 twice. LL = 2 ln(1/2);
  // BIC = LL - 2 * 1 * ln(4)/2 = -2.772589.
  EXPECT_NEAR(scoreof(d, p, {0, 1}, 1, a, b), -2.772588722239781, tol);
  // BDeu alpha 1, q = 2: a_j = .5, a_jk = .25:
  // 2(lnG(1.25) - lnG(.25)) - (lnG(2.5) - lnG(.5)) + lnG(2.25) - lnG(.25)
  //   - (lnG(2.5) - lnG(.5)) = -3.360375. Config 0 sees 2 states (b -= 2 ln 2),
  // config 1 one state (a -= ln 2).
  p.alpha = 1.0;
  EXPECT_NEAR(scoreof(d, p, {0, 1}, 1, a, b), -3.360375387141899, tol);
  EXPECT_NEAR(a, -std::log(2.0), tol);
  EXPECT_NEAR(b, -2 * std::log(2.0), tol);
}

TEST(Score, SingleStateChildHasNoPenalty) {
  io d;
  fourrecords(d);
  params p;
  double a = 1.0, b = 1.0;
  EXPECT_EQ(scoreof(d, p, {0, 2}, 2, a, b), 0.0);
  p.aicscore = true;
  EXPECT_EQ(scoreof(d, p, {0, 2}, 2, a, b), 0.0);
  // BDeu: every cell term cancels its configuration term; ln 1 = 0 goes to a.
  p.alpha = 1.0;
  EXPECT_NEAR(scoreof(d, p, {0, 2}, 2, a, b), 0.0, tol);
  EXPECT_EQ(a, 0.0);
  EXPECT_EQ(b, 0.0);
}

TEST(Score, UnseenConfigurationGetsUniformTable) {
  io d;
  fourrecords(d);
  params p;
  score s(d, p);
  matrix<int> f = familyof(d, {0, 1});
  f[0] = 3;  // a third parent state that no record shows
  s.update(f, 1);
  matrix<double> cpt(1, 1, 0.0);
  double a = 1.0, b = 1.0;
  // The unseen configuration adds no likelihood but counts in the penalty (q = 3).
  EXPECT_NEAR(s.localscore(cpt, a, b), 2 * std::log(0.5) - 3 * 0.5 * std::log(4.0), tol);
  ASSERT_EQ(cpt.n, 6);
  const double expected[] = {0.5, 0.5, 0.0, 1.0, 0.5, 0.5};
  for (int c = 0; c < 6; ++c) EXPECT_NEAR(cpt[c], expected[c], tol) << c;
  p.alpha = 1.0;
  score bdeu(d, p);
  bdeu.update(f, 1);
  bdeu.localscore(cpt, a, b);
  // (N_jk + 1/6) / (N_j + 1/3) for the unseen configuration: 1/2 each.
  EXPECT_NEAR(cpt[4], 0.5, tol);
  EXPECT_NEAR(cpt[0], (1 + 1.0 / 6) / (2 + 1.0 / 3), tol);
}

// Three records of two binary variables; "[w0,w1]" is a weight vector:
//   X0: 0, [0.25,0.75], [0.2,0.8]    X1: 1, 1, [0.5,0.5]
void weightedrecords(io& d) {
  d.init(2, 3);
  d.categ[0] = d.categ[1] = 2;
  d.data(0, 0) = 0;
  d.data(0, 1) = 1;
  d.data(1, 0) = -1;
  d.data(1, 1) = 1;
  d.data(2, 0) = -1;
  d.data(2, 1) = -1;
  for (int t = 1; t < 3; ++t) d.weights[t].resize(2);
  d.weights[1][0] = matrix<double>(2, 1);
  d.weights[1][0][0] = 0.25;
  d.weights[1][0][1] = 0.75;
  d.weights[2][0] = matrix<double>(2, 1);
  d.weights[2][0][0] = 0.2;
  d.weights[2][0][1] = 0.8;
  d.weights[2][1] = matrix<double>(2, 1, 0.5);
}

TEST(Score, WeightVectorsSpreadOverEveryCompletion) {
  io d;
  weightedrecords(d);
  params p;
  score s(d, p);
  s.update(familyof(d, {0, 1}), 1);
  // Record 2 spreads .2*.5, .2*.5, .8*.5, .8*.5 over cells 00, 01, 10, 11;
  // record 1 gives .25 to 01 and .75 to 11; record 0 gives 1 to 01.
  const double n2[] = {0.1, 1.35, 0.4, 1.15};
  for (int c = 0; c < 4; ++c) EXPECT_NEAR(s.counts2[c], n2[c], tol) << c;
  EXPECT_NEAR(s.counts[0], 1.45, tol);
  EXPECT_NEAR(s.counts[1], 1.55, tol);
  EXPECT_NEAR(s.counts[0] + s.counts[1], 3.0, tol);  // one per record
  matrix<double> none;
  double a = 1.0, b = 1.0;
  // LL = .1 ln(.1/1.45) + 1.35 ln(1.35/1.45) + .4 ln(.4/1.55) + 1.15 ln(1.15/1.55);
  // BIC = LL - 2 ln(3)/2 = -2.347582.
  EXPECT_NEAR(s.localscore(none, a, b), -2.3475819569481784, tol);
  // A weight vector outside the family is ignored: X0 alone counts records 1 and 2 by
  // their X0 weights only.
  s.update(familyof(d, {0}), 0);
  EXPECT_NEAR(s.counts2[0], 1.45, tol);
  EXPECT_NEAR(s.counts2[1], 1.55, tol);
}

TEST(Score, BoundTermsVanishAboveThreshold) {
  io d;
  fourrecords(d);
  params p;
  double a = 0, b = 0;
  p.alpha = 0.83494;  // a_j exactly at the threshold still gives real bounds
  scoreof(d, p, {1}, 1, a, b);
  EXPECT_NEAR(b, -2 * std::log(2.0), tol);
  p.alpha = 0.835;
  scoreof(d, p, {1}, 1, a, b);
  EXPECT_EQ(a, 1e300);
  EXPECT_EQ(b, 1e300);
}

// Every counting path against the plain definition, to the bit, on random data with
// and without weight vectors and with byte and int columns.
TEST(Score, AllPathsMatchPlainDefinition) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    io d;
    const double missing = seed % 3 == 0 ? 0.0 : 0.03;
    plain::randomdata(d, 6, 300, seed % 4 == 1 ? 5 : 3, missing, seed);
    if (seed % 5 == 0) {  // one variable too wide for the byte columns
      d.categ[5] = 300;
      for (int t = 0; t < d.data.n; ++t)
        if (d.data(t, 5) >= 0) d.data(t, 5) = (t * 7) % 300;
        else d.weights[t][5] = matrix<double>(300, 1, 0.001);
    }
    std::mt19937 gen(seed);
    for (int trial = 0; trial < 40; ++trial) {
      const int child = int(gen() % 6);
      std::vector<int> fam(6, 0);
      for (int j = 0; j < 6; ++j)
        if (j == child || gen() % 2) fam[j] = d.categ[j];
      matrix<int> f(6, 1, 0);
      for (int j = 0; j < 6; ++j) f[j] = fam[j];
      const plain::tables ref = plain::counts(d, fam, child);
      for (double alpha : {0.0, 1.0, 10.0}) {
        for (bool aic : {false, true}) {
          params p;
          p.alpha = alpha;
          p.aicscore = aic;
          double pa = 1, pb = 1, ua = 1, ub = 1, da = 1, db = 1, sa = 1, sb = 1;
          const double expected = plain::localscore(ref, alpha, aic, d.data.n, pa, pb);
          score s(d, p);
          s.update(f, child);
          for (int c = 0; c < ref.q * ref.r; ++c) ASSERT_EQ(s.counts2[c], ref.njk[c]);
          for (int c = 0; c < ref.q; ++c) ASSERT_EQ(s.counts[c], ref.nj[c]);
          matrix<double> none;
          EXPECT_EQ(s.localscore(none, ua, ub), expected);
          EXPECT_EQ(s.scorefamily(f, child, da, db), expected);
          s.densecells = 0;
          EXPECT_EQ(s.scorefamily(f, child, sa, sb), expected);
          for (double x : {ua, da, sa}) EXPECT_EQ(x, pa);
          for (double x : {ub, db, sb}) EXPECT_EQ(x, pb);
        }
      }
    }
  }
}

// Families counted from a prefix (the cache construction's way) against scorefamily, to
// the bit, on data wide enough that the prefix levels do not keep their groups' values
// (more than 4 MiB of them), with the child below, among and above the parents; and the
// likelihood bound never puts a score below the score itself.
TEST(Score, ExtensionsMatchScorefamilyOnWideData) {
  io d;
  plain::chaindata(d, 260, 16200, 3, 0.3, 5);
  const std::vector<std::vector<int>> prefixes = {{}, {3}, {3, 100}, {3, 100, 200}, {3, 101}, {5, 6}};
  for (double alpha : {0.0, 1.0}) {
    params p;
    p.alpha = alpha;
    score s(d, p);
    for (int cells : {1 << 15, 0}) {
      s.densecells = cells;
      for (int child : {4, 150, 259}) {
        for (const std::vector<int>& prefix : prefixes) {
          matrix<int> f(d.n, 1, 0);
          f[child] = d.categ[child];
          for (int v : prefix) f[v] = d.categ[v];
          s.setprefix(f, child);
          for (int extra : {201, 230, 258}) {
            if (extra == child || (!prefix.empty() && prefix.back() >= extra)) continue;
            f[extra] = d.categ[extra];
            double a = 1, b = 1, ea = 1, eb = 1;
            const double want = s.scorefamily(f, child, a, b);
            EXPECT_EQ(s.scoreextension(f, child, extra, ea, eb), want) << child << " " << extra;
            EXPECT_EQ(ea, a);
            EXPECT_EQ(eb, b);
            EXPECT_FALSE(s.extensionwithin(f, child, extra, -1e25, want));
            EXPECT_EQ(s.extensionwithin(f, child, extra, -1e25, 0.0), alpha == 0);
            f[extra] = 0;
          }
        }
      }
    }
  }
}

TEST(ScoreDeath, TooManyCellsEndTheRun) {
  io d;
  fourrecords(d);
  params p;
  score s(d, p);
  matrix<int> f = familyof(d, {0, 1});
  f[0] = 16666667;
  f[2] = 3;  // r = 2 * 3 * 16666667 = 100000002 cells
  EXPECT_EXIT(s.update(f, 1), testing::ExitedWithCode(255),
              "^\\[error\\] function loglik/bdeu wants more than 100M parameters for a single "
              "CPT -- I'm giving up\n\n$");
  f[0] = 65536;
  f[2] = 65536;  // 2^33 cells: a 32-bit product would wrap
  EXPECT_EXIT(s.update(f, 1), testing::ExitedWithCode(255), "more than 100M parameters");
  matrix<int> alone = familyof(d, {});
  alone[1] = 100000001;  // one data value of 10^8: no table of its size either
  EXPECT_EXIT(s.update(alone, 1), testing::ExitedWithCode(255), "more than 100M parameters");
}

TEST(Score, ExactlyHundredMillionCellsAccepted) {
  io d;
  fourrecords(d);
  params p;
  score s(d, p);
  s.densecells = 0;  // sorted counting: no 1e8-cell table in a test
  matrix<int> f(3, 1, 0);
  f[0] = 100;
  f[1] = 100;
  f[2] = 10000;  // 100 * 100 * 10000 = 1e8
  double a = 1, b = 1;
  // Child X1 (r = 100), q = 100 * 10000: the records fall in the configurations of
  // X0 as with one parent, LL = 2 ln(1/2); penalty 1e6 * 99 * ln(4)/2.
  EXPECT_NEAR(s.scorefamily(f, 1, a, b), 2 * std::log(0.5) - 1e6 * 99 * 0.5 * std::log(4.0),
              1e-6);
}

// Debug output: above verbosity 3 the counts N_jk of every family as one matrix row,
// above 4 also "{ls-call}" after each evaluation, on both scoring paths; nothing below.
TEST(Score, DebugOutputByVerbosity) {
  io d;
  fourrecords(d);
  params p;
  const matrix<int> f = familyof(d, {0, 1});
  // Child X0 under parent X1: (X1=0: X0 0) and (X1=1: X0 0, 1, 1).
  const std::string counts = "matrix::print([DEBUG] counts2,1,4)\n1.000000 0.000000 1.000000 2.000000 \n";
  const std::pair<int, std::string> cases[] = {
      {3, ""}, {4, counts}, {5, counts + "{ls-call}"}};
  for (const auto& [verbose, expected] : cases) {
    p.verbose = verbose;
    score s(d, p);
    double a = 1, b = 1;
    matrix<double> none;
    testing::internal::CaptureStderr();
    s.update(f, 0);
    s.localscore(none, a, b);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected) << "verbose " << verbose;
    testing::internal::CaptureStderr();
    s.scorefamily(f, 0, a, b);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected) << "verbose " << verbose;
  }
}

TEST(ScoreDeath, NoRecordsEndTheRun) {
  io d;
  d.init(2, 0);
  d.categ[0] = d.categ[1] = 2;
  params p;
  score s(d, p);
  matrix<int> f(2, 1, 0);
  f[0] = 2;
  EXPECT_EXIT(s.update(f, 0), testing::ExitedWithCode(255), "^line i=0 to 1 n=0 m=2\n\n$");
}

}  // namespace
