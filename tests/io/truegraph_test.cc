#include "io/truegraph.hh"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> labels = {"a", "b", "c", "d"};

matrix<char> read(const std::string& text) {
  const std::string file = testing::TempDir() + "truth.txt";
  std::ofstream(file) << text;
  matrix<char> g = read_truegraph(file, labels);
  std::remove(file.c_str());
  return g;
}

}  // namespace

// The same graph a -> b -> c, d -> c in every accepted form.
TEST(TrueGraph, FormsOfOneGraph) {
  const char* const forms[] = {
      "digraph g {\n  \"a\" -> b -> \"c\" [color=red];\n  d -> c; // d\n  a; b -- d;\n}\n",
      "# arcs by name\na -> b\nb --> c\n\n3,2\n",
      "Graph Nodes:\na;b;c;d\n\nGraph Edges:\n1. a --> b\n2. 1 --> c\n3. d\tc\n",
  };
  for (const char* text : forms) {
    const matrix<char> g = read(text);
    int arcs = 0;
    for (int k = 0; k < g.size(); ++k) arcs += g[k];
    EXPECT_EQ(arcs, 3) << text;
    EXPECT_TRUE(g(1, 0) && g(2, 1) && g(2, 3)) << text;
  }
}

// Learnt a -> b, c -> b, c -> d against the truth a -> b, b -> c, d -> c: a -> b is
// right, b-c is reversed, c-d is reversed: SHD 2, precision 1/3, recall 1/3.
TEST(TrueGraph, HammingDistancePrecisionRecall) {
  matrix<char> learnt(4, 4, 0), truth(4, 4, 0);
  learnt(1, 0) = learnt(1, 2) = learnt(3, 2) = 1;
  truth(1, 0) = truth(2, 1) = truth(2, 3) = 1;
  learnt(0, 0) = 1;  // the diagonal is not an arc
  const graphcomparison c = compare_graphs(learnt, truth);
  EXPECT_EQ(c.shd, 2);
  EXPECT_EQ(c.correct, 1);
  EXPECT_EQ(c.learnt, 3);
  truth(0, 3) = 1;  // d -> a, missing from the learnt graph
  EXPECT_EQ(compare_graphs(learnt, truth).shd, 3);
  FILE* out = tmpfile();
  write_comparison(out, compare_graphs(learnt, truth));
  rewind(out);
  char text[200] = "";
  fread(text, 1, sizeof text - 1, out);
  fclose(out);
  EXPECT_STREQ(text, "shd 3\narcprecision 0.333333\narcrecall 0.250000\n");
}

TEST(TrueGraphDeathTest, UnknownVariable) {
  EXPECT_EXIT(read("a -> e\n"), testing::ExitedWithCode(255),
              "True graph file .*truth\\.txt line 1: no variable named \\[e\\]\\.\n$");
}
