#include "scoring/buildmap.hh"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <regex>

#include <sys/wait.h>
#include <unistd.h>

#include "core/params.hh"
#include "core/resources.hh"
#include "io/io.hh"
#include "buildmap_reference.hh"
#include "plainscore.hh"
#include "../search/random_cache.hh"

namespace {

params quiet() {
  params p;
  p.verbose = 0;
  return p;
}

std::vector<parentsetlist> build(const io& d, const params& p, double* logspace = nullptr,
                                 int* size = nullptr) {
  double l = 0;
  int c = 0;
  std::vector<parentsetlist> lists = buildmap(d, p, l, c);
  if (logspace) *logspace = l;
  if (size) *size = c;
  return lists;
}

bool contains(const matrix<char>& set, int k) { return set[k] != 0; }

// The lists expected with pruning off, by brute force: every set of variable i made of
// its initial set plus admissible parents within the limit, scored by the plain
// definition, without the sets that a strictly better subset beats, ascending.
parentsetlist expectedlist(const io& d, const params& p, int i,
                           const std::function<bool(const std::vector<int>&)>& admit = nullptr) {
  std::vector<int> initial(d.n, 0), freeparents;
  initial[i] = 1;
  for (int k = 0; k < d.n; ++k) {
    if (d.allow(i, k) == -1) initial[k] = 1;
    else if (k != i && d.allow(i, k) == 0 && d.categ[k] > 1) freeparents.push_back(k);
  }
  std::vector<std::pair<double, std::vector<int>>> all;
  for (unsigned mask = 0; mask < (1u << freeparents.size()); ++mask) {
    std::vector<int> set = initial;
    for (size_t b = 0; b < freeparents.size(); ++b)
      if (mask >> b & 1) set[freeparents[b]] = 1;
    const int parents = std::count(set.begin(), set.end(), 1) - 1;
    if (mask != 0 && parents > d.maxparents[i]) continue;
    if (admit && !admit(set)) continue;
    std::vector<int> fam(d.n, 0);
    for (int k = 0; k < d.n; ++k) fam[k] = set[k] ? d.categ[k] : 0;
    double a = 1, b = 1;
    all.push_back({plain::localscore(plain::counts(d, fam, i), p.alpha, p.aicscore, d.data.n, a, b), set});
  }
  parentsetlist out;
  for (const auto& [s, set] : all) {
    bool beaten = false;
    for (const auto& [t, other] : all) {
      bool sub = other != set;
      for (int k = 0; k < d.n; ++k) sub = sub && (!other[k] || set[k]);
      beaten = beaten || (sub && t > s);
    }
    if (beaten) continue;
    matrix<char> vec(d.n, 1, 0);
    for (int k = 0; k < d.n; ++k) vec[k] = char(set[k]);
    out.emplace_back(s, vec);
  }
  std::stable_sort(out.begin(), out.end(), [](const auto& x, const auto& y) {
    if (x.first != y.first) return x.first < y.first;
    return x.second < y.second;
  });
  return out;
}

void expectsame(const parentsetlist& got, const parentsetlist& want, int i) {
  ASSERT_EQ(got.size(), want.size()) << "variable " << i;
  for (size_t e = 0; e < got.size(); ++e) {
    EXPECT_EQ(got[e].first, want[e].first) << "variable " << i << " entry " << e;
    EXPECT_EQ(got[e].second.show(), want[e].second.show()) << "variable " << i;
  }
}

TEST(Buildmap, WithoutPruningKeepsEveryAdmissibleSet) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    io d;
    plain::chaindata(d, 5, 120, 3, 0.3, seed);
    if (seed % 2) d.maxparents[1] = 1;
    params p = quiet();
    p.prunescores = false;
    p.alpha = seed % 3 == 0 ? 1.0 : 0.0;
    p.aicscore = seed % 3 == 1;
    const auto lists = build(d, p);
    for (int i = 0; i < d.n; ++i) expectsame(lists[i], expectedlist(d, p, i), i);
  }
}

// The sum of the numbers after every occurrence of `counter` in the log.
int total(const std::string& log, const std::string& counter) {
  int sum = 0;
  const std::regex number(counter + "([0-9]+)");
  for (std::sregex_iterator it(log.begin(), log.end(), number), end; it != end; ++it)
    sum += std::stoi((*it)[1]);
  return sum;
}

// Pruning may drop sets, never the best network: the optimum over the pruned cache
// equals the optimum over the full one, under every criterion.
TEST(Buildmap, PruningKeepsTheOptimum) {
  int calls = 0, bounds = 0, lemmas = 0;
  for (unsigned seed = 1; seed <= 9; ++seed) {
    io d;
    plain::chaindata(d, 5, 60 + 40 * seed, 3, 0.2 + 0.05 * seed, 100 + seed);
    for (int i = 0; i < d.n; ++i) d.maxparents[i] = 2;
    params p = quiet();
    p.alpha = seed % 3 == 0 ? (seed % 2 ? 1.0 : 0.05) : 0.0;
    p.aicscore = seed % 3 == 1;
    p.prunescores = false;
    io full = d;
    full.cache = build(d, p);
    p.prunescores = true;
    p.verbose = 2;
    io pruned = d;
    testing::internal::CaptureStderr();
    pruned.cache = build(d, p);
    const std::string log = testing::internal::GetCapturedStderr();
    calls += total(log, "#score-calls=");
    bounds += total(log, "#pruned-by-theorem1=");
    lemmas += total(log, "#pruned-by-lemma1=");
    int fullsize = 0, prunedsize = 0;
    for (int i = 0; i < d.n; ++i) {
      fullsize += int(full.cache[i].size());
      prunedsize += int(pruned.cache[i].size());
    }
    EXPECT_LE(prunedsize, fullsize);
    EXPECT_NEAR(testsupport::brute_force_optimum(pruned),
                testsupport::brute_force_optimum(full), 1e-9)
        << "seed " << seed;
  }
  // Every rule fired somewhere: fewer than the 9 x 5 x 11 scorings of the full runs.
  EXPECT_LT(calls, 9 * 5 * 11);
  EXPECT_GT(bounds, 0);
  EXPECT_GT(lemmas, 0);
}

TEST(Buildmap, ForbiddenMandatoryAndSingleStateParents) {
  io d;
  plain::randomdata(d, 5, 80, 3, 0.0, 7);
  for (int j = 0; j < 4; ++j) d.categ[j] = std::max(d.categ[j], 2);
  for (int t = 0; t < 80; ++t) {
    d.data(t, 4) = 0;
    for (int j = 0; j < 4; ++j) d.data(t, j) = (t * (j + 1) + t / 3) % 2;
  }
  d.categ[4] = 1;
  d.allow(0, 1) = 1;   // 1 may not be a parent of 0
  d.allow(0, 2) = -1;  // 2 must be a parent of 0
  params p = quiet();
  p.prunescores = false;
  const auto lists = build(d, p);
  ASSERT_FALSE(lists[0].empty());
  for (const auto& [s, set] : lists[0]) {
    EXPECT_TRUE(contains(set, 2));
    EXPECT_FALSE(contains(set, 1));
  }
  for (int i = 0; i < d.n; ++i)
    for (const auto& [s, set] : lists[i])
      if (i != 4) {
        EXPECT_FALSE(contains(set, 4)) << i;
      }
  for (int i = 0; i < d.n; ++i) expectsame(lists[i], expectedlist(d, p, i), i);
}

// Constraint lines: sets that violate one stay out of the cache (the initial set too,
// removed by the constraint pass) but are still extended: {0,1,2} of variable 0 is
// reached only through {0,1}, which violates, and the expected list holds it.
TEST(Buildmap, ConstraintsKeepViolatingSetsOut) {
  io d;
  plain::chaindata(d, 4, 150, 3, 0.3, 21);
  d.constraints = {"0: a(0,2) or a(0,3)", "1: d(1,2,lt)"};
  d.nconstraints = 2;
  params p = quiet();
  p.prunescores = false;
  p.verbose = 2;
  testing::internal::CaptureStderr();
  const auto lists = build(d, p);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("[info] cache-node=0 #pruned-by-constraints=1\n"), std::string::npos);
  EXPECT_EQ(log.find("cache-node=1 #pruned-by-constraints="), std::string::npos);
  expectsame(lists[0], expectedlist(d, p, 0, [](const std::vector<int>& set) {
               return set[2] || set[3];
             }), 0);
  expectsame(lists[1], expectedlist(d, p, 1, [](const std::vector<int>& set) {
               return std::count(set.begin(), set.end(), 1) - 1 < 2;
             }), 1);
  expectsame(lists[2], expectedlist(d, p, 2), 2);
}

TEST(Buildmap, ParentLimitsAndMandatoryParentsAtTheLimit) {
  io d;
  plain::randomdata(d, 4, 100, 3, 0.0, 11);
  for (int j = 0; j < 4; ++j) d.categ[j] = 2, d.maxparents[j] = 1;
  for (int t = 0; t < 100; ++t)
    for (int j = 0; j < 4; ++j) d.data(t, j) = (t >> j) & 1;
  d.allow(3, 0) = -1;
  d.allow(3, 1) = -1;  // two mandatory parents above a limit of one
  params p = quiet();
  p.prunescores = false;
  const auto lists = build(d, p);
  for (int i = 0; i < 3; ++i)
    for (const auto& [s, set] : lists[i])
      EXPECT_LE(std::count(set.data, set.data + set.size(), 1) - 1, 1);
  ASSERT_EQ(lists[3].size(), 1u);  // only the initial set
  EXPECT_EQ(lists[3][0].second.show(), "(n=4,m=1,data=1 1 0 1 )");
}

TEST(Buildmap, SingleNodeLeavesOtherListsEmpty) {
  io d;
  plain::randomdata(d, 4, 50, 2, 0.0, 5);
  params p = quiet();
  p.node = 2;
  double logspace = 0;
  int size = 0;
  const auto lists = build(d, p, &logspace, &size);
  for (int i = 0; i < 4; ++i)
    if (i != 2) {
      EXPECT_TRUE(lists[i].empty());
    }
  EXPECT_FALSE(lists[2].empty());
  EXPECT_EQ(size, int(lists[2].size()));
  EXPECT_TRUE(std::isinf(logspace) && logspace < 0);
}

// A node option beyond the last variable processes none: every list empty, no read
// outside the tables.
TEST(Buildmap, NodeBeyondTheVariablesProcessesNone) {
  io d;
  plain::randomdata(d, 3, 30, 2, 0.0, 9);
  params p = quiet();
  p.node = 3;
  int size = -1;
  const auto lists = build(d, p, nullptr, &size);
  ASSERT_EQ(lists.size(), 3u);
  for (const auto& list : lists) EXPECT_TRUE(list.empty());
  EXPECT_EQ(size, 0);
}

TEST(Buildmap, SizesAndMemoryCounterBalance) {
  io d;
  plain::randomdata(d, 5, 90, 3, 0.02, 3);
  params p = quiet();
  const double before = resources::memkbs;
  double logspace = 0;
  int size = 0;
  {
    const auto lists = build(d, p, &logspace, &size);
    double expected = 0;
    int total = 0;
    for (const auto& list : lists) {
      total += int(list.size());
      expected += std::log(double(list.size()));
      for (size_t e = 1; e < list.size(); ++e) EXPECT_LE(list[e - 1].first, list[e].first);
    }
    EXPECT_EQ(size, total);
    EXPECT_NEAR(logspace, expected, 1e-12);
    // Every map node went back; what stays are the result's parent-set vectors.
    EXPECT_NEAR(resources::memkbs - before, total * 5 / 1024.0, 1e-6);
  }
  EXPECT_NEAR(resources::memkbs, before, 1e-6);
}

// Three variables, four records: X0 = 0 0 1 1, X1 = 0 1 1 1, X2 = 0 0 0 0 (one state).
// BIC, pruning on. Variable 0: {0} scores -3.4657, {0,1} -3.2958 beats it and is cached;
// X2 is never a parent. Variable 2 (r = 1) scores 0 with every parent set, so its three
// candidates are kept out by the subset rule of the lemma: 4 score calls, 3 lemma cuts.
// 2^(3-1) - score calls potential sets were never scored.
TEST(Buildmap, ProgressAndSummaryLines) {
  io d;
  d.init(3, 4);
  const int x0[] = {0, 0, 1, 1}, x1[] = {0, 1, 1, 1};
  for (int t = 0; t < 4; ++t) d.data(t, 0) = x0[t], d.data(t, 1) = x1[t], d.data(t, 2) = 0;
  d.categ[0] = d.categ[1] = 2;
  d.categ[2] = 1;
  params p;
  p.verbose = 2;
  testing::internal::CaptureStderr();
  double logspace = 0;
  int size = 0;
  const auto lists = build(d, p, &logspace, &size);
  const std::string text =
      std::regex_replace(testing::internal::GetCapturedStderr(),
                         std::regex("memory-usage\\(MB\\)=[0-9.e+-]+"), "memory-usage(MB)=*");
  const char* expected =
      "[info] Processing variable 0\n"
      "[info] cache-node=0 #parentsets=1 #step-elements=1 current-cache-size=1\n"
      "[info] cache-node=0 #parentsets=2 #step-elements=1 current-cache-size=2\n"
      "[info] cache-node=0 #elements=2\n"
      "[info] cache-node=0 #score-calls=2\n"
      "[info] cache-node=0 #pruned-by-lemma1=0\n"
      "[info] cache-node=0 #pruned-by-theorem1=0\n"
      "[info] cache-node=0 #potential-total-discarded=2\n"
      "[info] Processing variable 1\n"
      "[info] cache-node=1 #parentsets=1 #step-elements=1 current-cache-size=1\n"
      "[info] cache-node=1 #parentsets=2 #step-elements=1 current-cache-size=2\n"
      "[info] cache-node=1 #elements=2\n"
      "[info] cache-node=1 #score-calls=2\n"
      "[info] cache-node=1 #pruned-by-lemma1=0\n"
      "[info] cache-node=1 #pruned-by-theorem1=0\n"
      "[info] cache-node=1 #potential-total-discarded=2\n"
      "[info] Processing variable 2\n"
      "[info] cache-node=2 #parentsets=1 #step-elements=1 current-cache-size=1\n"
      "[info] cache-node=2 #parentsets=2 #step-elements=2 current-cache-size=1\n"
      "[info] cache-node=2 #elements=1\n"
      "[info] cache-node=2 #score-calls=4\n"
      "[info] cache-node=2 #pruned-by-lemma1=3\n"
      "[info] cache-node=2 #pruned-by-theorem1=0\n"
      "[info] cache-node=2 #potential-total-discarded=0\n"
      "[info] cache-node=0 #final-elements=2 #max-number-parents=1\n"
      "[info] cache-node=1 #final-elements=2 #max-number-parents=1\n"
      "[info] cache-node=2 #final-elements=1 #max-number-parents=0\n"
      "[info] function buildmap #local-score-calls=5 memory-usage(MB)=*\n";
  EXPECT_EQ(text, expected);
  EXPECT_EQ(size, 5);
  EXPECT_NEAR(logspace, 2 * std::log(2.0), 1e-12);
  // Best last: X0 | X1 at -1.909543 - ln 4 = -3.295837.
  EXPECT_NEAR(lists[0].back().first, -3.295836866004329, 1e-9);
  EXPECT_EQ(lists[0].back().second.show(), "(n=3,m=1,data=1 1 0 )");
}

// A rise of the memory counter by more than 10 MB since the level last reported is
// reported once, at verbosity 2 and above, with the counter in MB. The counter is raised
// by hand here; each run starts with nothing reported.
TEST(Buildmap, MemoryRiseLine) {
  io d;
  plain::randomdata(d, 3, 20, 2, 0.0, 1);
  params p = quiet();
  const std::regex line("\\[info\\] increasing memory usage \\(MB\\) to ([0-9.]+) \\(NA\\)\n");
  for (int verbose : {1, 2}) {
    const double raised = 20000.0 * 1024;
    resources::memkbs += raised;
    p.verbose = verbose;
    testing::internal::CaptureStderr();
    build(d, p);
    const std::string log = testing::internal::GetCapturedStderr();
    resources::memkbs -= raised;
    const auto lines = std::distance(std::sregex_iterator(log.begin(), log.end(), line),
                                     std::sregex_iterator());
    EXPECT_EQ(lines, verbose == 2 ? 1 : 0) << log;
    std::smatch found;
    if (std::regex_search(log, found, line)) {
      EXPECT_NEAR(std::stod(found[1]), 20000, 0.1);
    }
  }
}

TEST(BuildmapDeath, MemoryLimit) {
  io d;
  plain::randomdata(d, 3, 20, 2, 0.0, 1);
  params p = quiet();
  p.maxmem = 0;
  EXPECT_EXIT(build(d, p), testing::ExitedWithCode(255),
              "^Not enough memory \\([0-9]+\\.[0-9]{6}MB\\) for buildmap\n\n$");
}

TEST(BuildmapDeath, InfeasibleInitialSet) {
  io d;
  plain::randomdata(d, 2, 4, 2, 0.0, 1);
  d.categ[0] = 2;
  d.data(0, 0) = -1;
  d.weights[0].resize(2);
  // Weights of 1e30 on both states: LL about -2e30 ln 2, far below -1e25.
  d.weights[0][0] = matrix<double>(2, 1, 1e30);
  params p = quiet();
  EXPECT_EXIT(build(d, p), testing::ExitedWithCode(255),
              "^Problem infeasible because of initial constraints\n\n$");
}

}  // namespace

namespace {

// Random small cases for the comparison with the plain construction: every criterion,
// pruning on and off, single-state variables, weight vectors, mandatory and forbidden
// parents, parent limits, constraint lines and the node option.
void randomcase(io& d, params& p, unsigned seed) {
  std::mt19937 gen(seed);
  const int n = 3 + int(gen() % 4);
  const int records = 20 + int(gen() % 120);
  if (seed % 4 == 0) plain::randomdata(d, n, records, 3, 0.05, seed);
  else plain::chaindata(d, n, records, 3, 0.1 * double(gen() % 5), seed);
  if (seed % 5 == 1) {
    const int single = int(gen() % unsigned(n));
    d.categ[single] = 1;
    for (int t = 0; t < records; ++t) d.data(t, single) = 0;
  }
  for (int i = 0; i < n; ++i) {
    d.maxparents[i] = int(gen() % unsigned(n));
    for (int k = 0; k < n; ++k)
      if (k != i && gen() % 9 == 0) d.allow(i, k) = gen() % 2 ? 1 : -1;
  }
  if (seed % 3 == 0) {
    // The third line rules out the initial set of variable 1 unless 0 is mandatory.
    const std::string last = std::to_string(n - 1);
    d.constraints = {"0: a(0,1) or -a(0,2)", last + ": d(" + last + ",2,lt)",
                     "1: a(1,0) or d(1,1,gt)"};
    d.nconstraints = 3;
  }
  const double alphas[] = {0.0, 0.0, 1.0, 0.05, 12.0};
  p.alpha = alphas[gen() % 5];
  p.aicscore = gen() % 2 == 0;
  p.prunescores = gen() % 4 != 0;
  p.node = seed % 11 == 0 ? int(gen() % unsigned(n)) : -1;
}

// Everything the construction reports - the lists, their totals, every counter and
// progress line - agrees with the plain construction, so the shortcuts it takes (sets
// as bit strings, subset look-ups in the previous level only, the constraint pass over
// the initial set only, PRUNED only counted) change nothing.
TEST(Buildmap, SameAsPlainConstruction) {
  const std::regex memory("\\[info\\] increasing memory usage[^\n]*\n|(memory-usage\\(MB\\)=)[0-9.e+-]+");
  int constrained = 0, bounds = 0, lemmas = 0;
  for (unsigned seed = 1; seed <= 120; ++seed) {
    io d;
    params p = quiet();
    randomcase(d, p, seed);
    p.verbose = 2;
    const refbuild::outcome want = refbuild::build(d, p);
    // The counter runs from 0 for this call, then carries on from where it was.
    const double before = resources::memkbs;
    resources::memkbs = 0;
    testing::internal::CaptureStderr();
    double logspace = 0;
    int size = 0;
    const auto lists = build(d, p, &logspace, &size);
    resources::memkbs += before;
    const std::string raw = testing::internal::GetCapturedStderr();
    const std::string log = std::regex_replace(raw, memory, "$1");
    const double peakmb = std::stod(raw.substr(raw.rfind("memory-usage(MB)=") + 17));
    ASSERT_EQ(log, want.log) << "seed " << seed;
    constrained += total(log, "#pruned-by-constraints=");
    bounds += total(log, "#pruned-by-theorem1=");
    lemmas += total(log, "#pruned-by-lemma1=");
    // The peak memory: the map nodes, on top of the builder's two n-element vectors (and
    // of the scorer's family vector, which exists from the first candidate on).
    const double vectors = want.candidates > 0 ? 9.0 * d.n : 5.0 * d.n;
    const double kb = vectors / 1024 + want.peaknodes * (0.0625 + d.n / 1024.0);
    EXPECT_NEAR(peakmb * 1024, kb, 1e-4) << "seed " << seed;
    EXPECT_EQ(size, want.cachesize) << "seed " << seed;
    EXPECT_EQ(logspace, want.logspace) << "seed " << seed;
    for (int i = 0; i < d.n; ++i) expectsame(lists[i], want.lists[i], i);
    if (testing::Test::HasFailure()) FAIL() << "seed " << seed;
  }
  // Every rule had its turn.
  EXPECT_GT(constrained, 0);
  EXPECT_GT(bounds, 0);
  EXPECT_GT(lemmas, 0);
}

}  // namespace

namespace {

// The exit code and standard error of f run in a child process (f may end it).
std::pair<int, std::string> inchild(const std::function<void()>& f) {
  char name[] = "/tmp/buildmap_child_XXXXXX";
  const int fd = mkstemp(name);
  fflush(stdout);  // a child that ends by exit() writes what is buffered
  fflush(stderr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fd, 2);
    f();
    fflush(stderr);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  std::string text;
  char chunk[4096];
  for (ssize_t got; (got = pread(fd, chunk, sizeof chunk, off_t(text.size()))) > 0;)
    text.append(chunk, size_t(got));
  close(fd);
  unlink(name);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

// Threads change nothing but the memory figures (those of all threads together): the
// lists, every counter and message in variable order, and the end of a run that stops,
// also when the stop comes from a variable that another thread reaches late.
TEST(Buildmap, ThreadsGiveTheSameListsMessagesAndStops) {
  const std::regex memory("\\[info\\] increasing memory usage[^\n]*\n|(memory-usage\\(MB\\)=)[0-9.e+-]+|"
                          "(Not enough memory \\()[0-9.]+");
  for (unsigned seed = 1; seed <= 40; ++seed) {
    io d;
    params p = quiet();
    randomcase(d, p, seed);
    p.verbose = 2;
    if (seed % 8 == 5) p.maxmem = 0;  // every variable stops at its first candidate
    if (seed % 8 == 6) {              // variable 2 cannot be scored at all
      for (int t = 0; t < 3; ++t) {
        d.data(t, 2) = -1;
        d.weights[t].resize(size_t(d.n));
        d.weights[t][2] = matrix<double>(d.categ[2], 1, 1e30);
      }
      p.node = -1;
    }
    std::string first;
    std::vector<parentsetlist> firstlists;
    for (int threads : {1, 2, 8}) {
      p.threads = threads;
      std::vector<parentsetlist> lists;
      const auto [code, log] = inchild([&] { build(d, p); });
      const std::string text = std::to_string(code) + "\n" + std::regex_replace(log, memory, "$1$2");
      if (code == 0) {
        params q = p;
        q.verbose = 0;
        lists = build(d, q);
      }
      if (threads == 1) {
        first = text;
        firstlists = lists;
        continue;
      }
      ASSERT_EQ(text, first) << "seed " << seed << ", " << threads << " threads";
      for (size_t i = 0; i < lists.size(); ++i) expectsame(lists[i], firstlists[i], int(i));
    }
  }
}

}  // namespace
