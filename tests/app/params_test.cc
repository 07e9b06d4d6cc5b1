#include "app/options.hh"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <cstring>
#include <random>
#include <string>

#include "app/actions.hh"
#include "core/rng.hh"
#include "scratch_dir.hh"

namespace {

using Options = OptionFile;

using OptionsDeathTest = Options;

}  // namespace

TEST_F(Options, DefaultsWithoutAnyLine) {
  const params p = read("");
  EXPECT_EQ(p.verbose, 1);
  EXPECT_EQ(p.algorithm, 0);
  EXPECT_EQ(p.heuristictype, 3);
  EXPECT_TRUE(p.forcelocalsearch);
  EXPECT_TRUE(p.prunescores);
  EXPECT_EQ(p.jakkolacuts, 2);
  EXPECT_EQ(p.threads, 1);
  EXPECT_EQ(p.node, -1);
  EXPECT_EQ(p.maxiter, params::U30);
  EXPECT_EQ(p.maxseconds, 134217728);
  EXPECT_EQ(p.maxmem, params::U30);
  EXPECT_EQ(p.maxdata, params::U30);
  EXPECT_EQ(p.globalmaxparents, params::U30);
  EXPECT_EQ(p.maxtreewidth, 134217728.0);
  EXPECT_EQ(p.initialbest, -1e200);
  EXPECT_EQ(p.infile, stdin);
  EXPECT_EQ(p.outfile, stdout);
  EXPECT_EQ(p.inputfile, "not def");
  EXPECT_EQ(p.algorithmname, "not def");
  EXPECT_EQ(p.diskspacename, "not def");
  // A readable file always gets the heuristic's name.
  EXPECT_EQ(p.heuristicname, "top heuristic + break smallest cycle by leave-one-out idea");
  EXPECT_EQ(log, "[info] Reading options from file [opt]\n");
}

TEST_F(Options, EveryKeySetsItsField) {
  write_file("data.txt", "3 2 0 0\n");
  write_file("out.txt", "old contents");
  const params p = read(
      "inputfile=data.txt\noutputfile=out.txt\ngraphfile=g.dot\nforcelocalsearch=0\n"
      "verbose=0\nseed=77\nilpapprox=4\ncacheformat=csv\ninputcache=c1\njakkolacuts=9\n"
      "threads=3\nmaxtreewidth=4\nalgorithm=6\ncyclecuts=11\nscore=bdeu\nheuristictype=5\n"
      "reduction=normal\nalpha=2.5\nduplist=1\ninitialbest=-123.5\nmaxiter=1000\n"
      "maxminutes=2\nmaxmem=512\nmingap=0.25\nabstarget=3.5\nnode=2\nmaxdata=40\n"
      "ignoreconstraints=true\nglobalmaxparents=3\ndiskspacename=swap\nprunescores=0\n");
  // Files are only checked and named here; the driver opens them when it uses them.
  EXPECT_EQ(p.inputfile, "data.txt");
  EXPECT_EQ(p.infile, stdin);
  EXPECT_EQ(p.outputfile, "out.txt");
  EXPECT_EQ(p.outfile, stdout);
  EXPECT_EQ(read_file("out.txt"), "old contents");
  EXPECT_EQ(p.graphfile, "g.dot");
  EXPECT_FALSE(p.forcelocalsearch);
  EXPECT_EQ(p.verbose, 0);
  EXPECT_EQ(p.seed, 77);
  EXPECT_EQ(p.ilpapprox, 4);
  EXPECT_EQ(p.cacheformat, "csv");
  EXPECT_EQ(p.cachefile, "c1");
  EXPECT_TRUE(p.useinputcache);
  EXPECT_EQ(p.jakkolacuts, 9);
  EXPECT_EQ(p.threads, 3);
  EXPECT_EQ(p.maxtreewidth, 4.0);
  EXPECT_EQ(p.algorithm, 6);
  EXPECT_EQ(p.algorithmname, "hill-climbing");
  EXPECT_EQ(p.cyclecuts, 11);
  EXPECT_EQ(p.score, "bdeu");
  EXPECT_FALSE(p.aicscore);
  EXPECT_EQ(p.heuristictype, 5);
  EXPECT_EQ(p.heuristicname,
            "Brute-force search on order space + reduce arcs idea + late duplication detection");
  EXPECT_TRUE(p.reductionnormal);
  EXPECT_FALSE(p.reductionextra);
  EXPECT_EQ(p.alpha, 2.5);
  EXPECT_EQ(p.duplist, 1);
  EXPECT_EQ(p.initialbest, -123.5);
  EXPECT_EQ(p.maxiter, 1000);
  EXPECT_EQ(p.maxseconds, 120);
  EXPECT_EQ(p.maxmem, 512);
  EXPECT_EQ(p.mingap, 0.25);
  EXPECT_EQ(p.abstarget, 3.5);
  EXPECT_EQ(p.node, 2);
  EXPECT_EQ(p.maxdata, 40);
  EXPECT_EQ(p.ignoreconstraints, 1);
  EXPECT_EQ(p.globalmaxparents, 3);
  EXPECT_EQ(p.diskspacename, "swap");
  EXPECT_FALSE(p.prunescores);
}

TEST_F(Options, OutputCacheDoesNotSelectReading) {
  const params p = read("outputcache=cache.bin\nscore=bic\n");
  EXPECT_EQ(p.cachefile, "cache.bin");
  EXPECT_FALSE(p.useinputcache);
  EXPECT_EQ(p.score, "bic");
  EXPECT_FALSE(p.aicscore);
}

// Each limit option with the values at the edges of its range.
TEST_F(Options, LimitClamps) {
  struct Case {
    const char* line;
    int params::*field;
    int expected;
  };
  const Case cases[] = {
      {"maxiter=0", &params::maxiter, 0},
      {"maxminutes=0", &params::maxseconds, params::U30},
      {"maxmem=0", &params::maxmem, params::U30},
      {"maxdata=1", &params::maxdata, 1},
      {"globalmaxparents=0", &params::globalmaxparents, params::U30},
      {"globalmaxparents=1", &params::globalmaxparents, 1},
      {"allmaxpar=2", &params::globalmaxparents, 2},
      {"ilpapprox=0", &params::ilpapprox, 0},
      {"node=-1", &params::node, -1},
      {"threads= +4 ", &params::threads, 4},
      {"ignconstr=true", &params::ignoreconstraints, 1},
  };
  for (const Case& c : cases) {
    const params p = read(std::string(c.line) + "\n");
    EXPECT_EQ(p.*(c.field), c.expected) << c.line;
  }
  // 71582789 minutes are 4294967340 seconds: more than an int holds, so the limit
  // saturates rather than wrapping to 44 seconds.
  EXPECT_EQ(read("maxminutes=71582789\n").maxseconds, INT_MAX);
  EXPECT_EQ(read("maxminutes=35791394\n").maxseconds, 2147483640);
}

TEST_F(Options, RealAndSwitchClamps) {
  EXPECT_EQ(read("maxtreewidth=1\n").maxtreewidth, 134217728.0);
  EXPECT_EQ(read("maxtreewidth=0\n").maxtreewidth, 134217728.0);
  EXPECT_EQ(read("maxtreewidth=2\n").maxtreewidth, 2.0);
  EXPECT_EQ(read("initialbest=-4\n").initialbest, -4.0);
  EXPECT_TRUE(read("forcelocalsearch=-1\n").forcelocalsearch);
  EXPECT_FALSE(read("prunescores=-1\n").prunescores);
  EXPECT_FALSE(read("prunescores=false\n").prunescores);
  EXPECT_EQ(read("ignoreconstraints=1\n").ignoreconstraints, 1);
  const params none = read("reduction=none\n");
  EXPECT_FALSE(none.reductionnormal || none.reductionextra);
  EXPECT_EQ(read("reduction=extra\nreduction=normal\nduplist=true\n").heuristicname,
            "top heuristic + break smallest cycle by leave-one-out idea"
            " + super reduction (UNSTABLE) + reduce arcs idea + late duplication detection");
}

// A value its option cannot take ends the run with one message naming the option.
TEST_F(OptionsDeathTest, ValuesThatDoNotFitTheirOption) {
  const char* const cases[][2] = {
      {"algorithm=dp", "algorithm: expected an integer"},
      {"verbose=yes", "verbose: expected an integer"},
      {"verbose=3junk", "verbose: expected an integer"},
      {"maxminutes=0.5", "maxminutes: expected an integer of 0 or more"},
      {"maxiter=-1", "maxiter: expected an integer of 0 or more"},
      {"maxiter=99999999999999999999", "maxiter: expected an integer of 0 or more"},
      {"maxmem=-7", "maxmem: expected an integer of 0 or more"},
      {"maxdata=0", "maxdata: expected an integer of 1 or more"},
      {"node=-2", "node: expected an integer of -1 or more"},
      {"node=4294967297", "node: expected an integer of -1 or more"},
      {"cyclecuts=100001", "cyclecuts: expected an integer from 0 to 100000"},
      {"alpha=nan", "alpha: expected a finite number of 0 or more"},
      {"alpha=1e999", "alpha: expected a finite number of 0 or more"},
      {"alpha=-1", "alpha: expected a finite number of 0 or more"},
      {"alpha=1.5e1x", "alpha: expected a finite number of 0 or more"},
      {"initialbest=-inf", "initialbest: expected a finite number"},
      {"mingap=-0.5", "mingap: expected a finite number of 0 or more"},
      {"duplist=yes", "duplist: expected true, false or an integer"},
      {"ignoreconstraints=yes", "ignoreconstraints: expected true or false"},
      {"score=bde", "score: expected bic, aic or bdeu"},
      {"reduction=full", "reduction: expected none, normal or extra"},
      {"csvseparator=;;", "csvseparator: expected one character or tab"},
  };
  for (const auto& c : cases) {
    std::string message = "Invalid value [" + std::string(std::strchr(c[0], '=') + 1) +
                          "] for option " + c[1] + ".", pattern = "\n";
    for (char ch : message) pattern += std::strchr(".[]+*", ch) ? std::string("\\") + ch : std::string(1, ch);
    EXPECT_EXIT(read_to_the_end(std::string(c[0]) + "\n"), testing::ExitedWithCode(255), pattern + "\n$")
        << c[0];
  }
}

TEST_F(Options, BlanksAroundKeysAndValues) {
  const params p = read(" \tverbose \t=  2 \r\n  graphfile = my graph.dot \t\r\n");
  EXPECT_EQ(p.verbose, 2);
  EXPECT_EQ(p.graphfile, "my graph.dot");
}

TEST_F(Options, CommentsUnknownKeysAndCase) {
  const params p = read(
      "# verbose=5\n#verbose=6\n   #algorithm = 2\n# no equals sign\nVerbose=7\nunknown=1\n"
      "algoritm=2\nmaxminute=1\n");
  EXPECT_EQ(p.verbose, 1);
  EXPECT_EQ(p.algorithm, 0);
  EXPECT_EQ(log,
            "[info] Reading options from file [opt]\n"
            "[warn] Unknown option [Verbose] ignored; did you mean [verbose]?\n"
            "[warn] Unknown option [unknown] ignored.\n"
            "[warn] Unknown option [algoritm] ignored; did you mean [algorithm]?\n"
            "[warn] Unknown option [maxminute] ignored; did you mean [maxminutes]?\n");
}

// score=bdeu brings its usual equivalent sample size; a positive alpha still selects
// BDeu when another score is named, with a warning; command-line settings come last.
TEST_F(Options, ScoreAndAlphaAndOverrides) {
  EXPECT_EQ(read("score=bdeu\n").alpha, 1.0);
  EXPECT_EQ(read("alpha=3\nscore=bdeu\n").alpha, 3.0);
  const params aic = read("alpha=3\nscore=aic\n");
  EXPECT_EQ(aic.alpha, 3.0);
  EXPECT_NE(log.find("[warn] Option alpha selects the BDeu score: score=aic is not used\n"),
            std::string::npos);
  write_file("opt", "verbose=2\nalgorithm=1\n");
  params p;
  testing::internal::CaptureStderr();
  readparams(p, "opt", {"algorithm=6", " verbose = 0", "score=bdeu"});
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(p.algorithm, 6);
  EXPECT_EQ(p.verbose, 0);
  EXPECT_EQ(p.alpha, 1.0);
  EXPECT_EXIT(readparams(p, "opt", {"verbose"}), testing::ExitedWithCode(255),
              "\nCommand-line setting \\[verbose\\] is not of the form option=value\\.\n$");
  EXPECT_EXIT(read_to_the_end("score=bdeu\nalpha=0\n"), testing::ExitedWithCode(255),
              "\nInvalid value \\[0\\] for option alpha: expected a number above 0 with "
              "score=bdeu\\.\n$");
}

TEST_F(Options, LastLineWithoutLineEnd) { EXPECT_EQ(read("verbose=1\nverbose=4").verbose, 4); }

TEST_F(Options, LaterLinesOverrideEarlierOnes) {
  write_file("a.txt", "");
  write_file("b.txt", "");
  const params p = read("inputfile=a.txt\ninputfile=b.txt\nalgorithm=2\nalgorithm=7\n");
  EXPECT_EQ(p.inputfile, "b.txt");
  EXPECT_EQ(p.algorithmname, "gen-graph");
}

TEST_F(Options, NonAsciiTrailingBytesStayInNames) {
  const params p = read("graphfile=r\xC3\xA9sum\xC3\xA9 \n");
  EXPECT_EQ(p.graphfile, "r\xC3\xA9sum\xC3\xA9");
}

TEST(Trim, RemovesControlBytesAndBlanksAround) {
  char mixed[] = "\x01\t  a b\x1f \r\n";
  EXPECT_EQ(trim(mixed), "a b");
  EXPECT_STREQ(mixed + 4, "a b");  // trailing blanks overwritten in place
  char blank[] = " \t\r\n";
  EXPECT_EQ(trim(blank), "");
  char empty[] = "";
  EXPECT_EQ(trim(empty), "");
  char single[] = "x";
  EXPECT_EQ(trim(single), "x");
  char high[] = " \xE9\xFF";
  EXPECT_EQ(trim(high), "\xE9\xFF");
}

// A line is at most 9999 characters; the rest is read as a line of its own.
TEST_F(OptionsDeathTest, LongLineIsSplit) {
  const std::string fits = "graphfile=" + std::string(9988, 'a');  // 9999 with its line end
  EXPECT_EQ(read(fits + "\nverbose=3\n").graphfile, std::string(9988, 'a'));
  // Text past the 9999th character is a line of its own, here without "=".
  EXPECT_EXIT(read_to_the_end(fits + "bbbb\n"), testing::ExitedWithCode(255),
              "\nline \\[bbb\n\\] of option file invalid\n\n$");
  EXPECT_EXIT(read_to_the_end(fits + "b\n"), testing::ExitedWithCode(255),
              "\nline \\[\n\\] of option file invalid\n\n$");
  // Pieces that each hold an "=" are read as lines.
  const std::string equals(25000, '=');
  EXPECT_EQ(read("#" + equals + "\nverbose=2\n").verbose, 2);
}

TEST_F(Options, BinaryGarbageDoesNotCrash) {
  std::mt19937 gen(12345);
  std::string content;
  for (int line = 0; line < 300; ++line) {
    const int length = gen() % 200;
    for (int k = 0; k < length; ++k) {
      char c = static_cast<char>(1 + gen() % 255);
      content += c == '\n' ? 'x' : c;
    }
    content += "=";
    for (int k = 0; k < length; ++k) {
      char c = static_cast<char>(gen() % 256);
      content += c == '\n' ? 'y' : c;
    }
    content += "\n";
  }
  const params p = read(content);
  EXPECT_EQ(p.verbose, 1);
  EXPECT_EQ(p.inputfile, "not def");
}

TEST_F(OptionsDeathTest, GarbageBeforeEqualsSignIsInvalid) {
  // A zero byte ends the line's text before its "=".
  EXPECT_EXIT(read_to_the_end(std::string("ab\0c=1\n", 7)), testing::ExitedWithCode(255),
              "\nline \\[ab\\] of option file invalid\n\n$");
}

TEST_F(OptionsDeathTest, LinesWithoutEqualsSign) {
  EXPECT_EXIT(read_to_the_end("verbose=1\n\nverbose=2\n"), testing::ExitedWithCode(255),
              "^\\[info\\] Reading options from file \\[opt\\]\n"
              "line \\[\n\\] of option file invalid\n\n$");
  EXPECT_EXIT(read_to_the_end("verbose 2"), testing::ExitedWithCode(255),
              "\nline \\[verbose 2\\] of option file invalid\n\n$");
}

TEST_F(OptionsDeathTest, AlgorithmOutOfRange) {
  for (const char* line : {"algorithm=12\n", "algorithm=-1\n"})
    EXPECT_EXIT(read_to_the_end(line), testing::ExitedWithCode(255),
                "\nInvalid option for algorithm number\\. It must be an integer from 0 to 11\\.\n$");
  EXPECT_EQ(read("algorithm=9\n").algorithmname, "build-cache-only(gob-version)");
  EXPECT_EQ(read("algorithm=10\n").algorithmname, "exact-automatic");
  EXPECT_EQ(read("algorithm=11\n").algorithmname, "branch-and-cut");
}

TEST_F(OptionsDeathTest, HeuristicCheckedAfterTheWholeFile) {
  const char* message =
      "\nInvalid option for heuristic number\\. It must be an integer from 0 to 7\\.\n$";
  EXPECT_EXIT(read_to_the_end("heuristictype=8\noutputfile=late.txt\n"), testing::ExitedWithCode(255), message);
  EXPECT_TRUE(std::filesystem::exists("late.txt")) << "the line after the bad heuristic was read";
  EXPECT_EXIT(read_to_the_end("heuristictype=-1\n"), testing::ExitedWithCode(255), message);
  EXPECT_EQ(read("heuristictype=9\nheuristictype=7\n").heuristicname,
            "Break by ordering on the highest strong component");
}

TEST_F(OptionsDeathTest, FilesThatCannotBeOpened) {
  EXPECT_EXIT(read_to_the_end("inputfile = missing.dat \n"), testing::ExitedWithCode(255),
              "\nError reading input file \\[missing\\.dat\\]\\.\n$");
  EXPECT_EXIT(read_to_the_end("inputfile=\n"), testing::ExitedWithCode(255),
              "\nError reading input file \\[\\]\\.\n$");
  EXPECT_EXIT(read_to_the_end("outputfile=no/such/dir/out.txt\n"), testing::ExitedWithCode(255),
              "\nError opening output file \\[no/such/dir/out\\.txt\\]\\.\n$");
}

TEST_F(Options, UnreadableFileKeepsDefaults) {
  params p;
  p.heuristictype = 8;  // not validated when no file was read
  testing::internal::CaptureStderr();
  readparams(p, "no-such-options");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[info] Reading options from file [no-such-options]\n"
            "[warn] Option file not defined (or not readable). Using default options\n");
  EXPECT_EQ(p.heuristicname, "not def");
  EXPECT_EQ(p.algorithmname, "not def");
  EXPECT_EQ(p.verbose, 1);
}

TEST_F(Options, MessagesAfterReading) {
  read("algorithm=1\n");
  EXPECT_EQ(log,
            "[info] Reading options from file [opt]\n"
            "[warn] Maximum treewidth is ignored for dynamic programming\n");
  read("maxtreewidth=3\nalgorithm=1\nverbose=2\n");
  EXPECT_EQ(log,
            "[info] Reading options from file [opt]\n"
            "[warn] Maximum treewidth is ignored for dynamic programming\n"
            "[info] Options successfully read\n");
}

TEST_F(Options, SeedOptionReseedsTheGenerator) {
  const params first = read("seed=42\n");
  const int after_first = rng::next();
  const params second = read("seed=42\n");
  EXPECT_EQ(rng::next(), after_first);
  EXPECT_EQ(first.reseedinterval, second.reseedinterval);
  EXPECT_EQ(first.seed, 42);
  // The interval is drawn from the generator right after seeding.
  rng::seed(42);
  EXPECT_EQ(first.reseedinterval, 1000 + rng::next() * 1000 / 32768);
  // Zero or negative seeds take the clock.
  EXPECT_GT(read("seed=0\n").seed, 1000000000);
  EXPECT_GT(read("seed=-9\n").seed, 1000000000);
}

TEST(Params, ConstructionSeedsFromTheClock) {
  const long before = time(nullptr);
  const params p;
  EXPECT_GE(p.seed, before);
  EXPECT_LE(p.seed, time(nullptr));
  EXPECT_GE(p.reseedinterval, 1000);
  EXPECT_LE(p.reseedinterval, 1999);
}

TEST(Params, NameTables) {
  EXPECT_STREQ(algonum2name(0), "branch-and-bound");
  EXPECT_STREQ(algonum2name(4), "linear-integer programming");
  EXPECT_STREQ(algonum2name(8), "build-cache-only(helsinki-version)");
  EXPECT_STREQ(heuristicnum2name(0), "DO NOT USE");
  EXPECT_STREQ(heuristicnum2name(2),
               "break smallest cycle by Orvandel idea (aka ICML'09 version)");
  EXPECT_STREQ(heuristicnum2name(6),
               "Leave-one-out cycle breaking on the highest strong component");
}
