#include "io/biffile.hh"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A reader of the BIF subset the writer produces, written from the format's grammar:
// variable blocks with their states, probability blocks with "table" or one line per
// parent configuration named by the parents' states.
struct parsedbif {
  std::vector<std::string> names;
  std::map<std::string, std::vector<std::string>> states;
  std::map<std::string, std::vector<std::string>> parents;
  // (child, parents' states joined by ",") -> probabilities
  std::map<std::pair<std::string, std::string>, std::vector<double>> rows;
};

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  std::string word;
  for (char c : text) {
    if (std::string(" \n{}()[];,|").find(c) != std::string::npos) {
      if (!word.empty()) out.push_back(word);
      word.clear();
      if (c != ' ' && c != '\n' && c != ',') out.push_back(std::string(1, c));
    } else {
      word += c;
    }
  }
  return out;
}

parsedbif parse(const std::string& file) {
  std::ifstream in(file);
  std::stringstream all;
  all << in.rdbuf();
  const std::vector<std::string> w = words(all.str());
  parsedbif b;
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i] == "variable") {
      const std::string name = w[++i];
      b.names.push_back(name);
      while (w[i] != "]") ++i;
      for (i += 2; w[i] != "}"; ++i) b.states[name].push_back(w[i]);
    } else if (w[i] == "probability") {
      const std::string child = w[i += 2];
      for (++i; w[i] != ")"; ++i)
        if (w[i] != "|") b.parents[child].push_back(w[i]);
      for (i += 2; w[i] != "}"; ++i) {
        std::string config;
        if (w[i] == "table") {
          ++i;
        } else {
          for (++i; w[i] != ")"; ++i) config += (config.empty() ? "" : ",") + w[i];
          ++i;
        }
        std::vector<double>& row = b.rows[{child, config}];
        for (; w[i] != ";"; ++i) row.push_back(std::stod(w[i]));
      }
    }
  }
  return b;
}

}  // namespace

// Written and read back: names (made BIF words), states, arcs and every table row,
// rows named by the parents' states with the last parent turning fastest.
TEST(BifFile, RoundTrip) {
  bifnetwork net;
  net.names = {"a", "b c", "b_c"};
  net.states = {{}, {"lo", "mid, high", "x"}, {"no", "yes"}};
  net.categ = matrix<int>(3, 1, 0);
  net.categ[0] = 2, net.categ[1] = 3, net.categ[2] = 2;
  net.structure = matrix<char>(3, 3, 0);
  net.structure(2, 0) = net.structure(2, 1) = net.structure(1, 0) = 1;
  net.tables = {{0.25, 0.75},
                {0.1, 0.2, 0.7, 1.0 / 3, 1.0 / 3, 1.0 / 3},
                {0.5, 0.5, 0.9, 0.1, 0, 1, 0.6, 0.4, 0.3, 0.7, 0.125, 0.875}};
  const std::string file = testing::TempDir() + "net.bif";
  write_biffile(file, net);
  const parsedbif b = parse(file);
  EXPECT_EQ(b.names, (std::vector<std::string>{"a", "b_c", "b_c_2"}));
  EXPECT_EQ(b.states.at("a"), (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(b.states.at("b_c"), (std::vector<std::string>{"lo", "mid__high", "x"}));
  EXPECT_TRUE(b.parents.count("a") == 0);
  EXPECT_EQ(b.parents.at("b_c"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(b.parents.at("b_c_2"), (std::vector<std::string>{"a", "b_c"}));
  EXPECT_EQ(b.rows.size(), 1u + 2 + 6);
  const auto near = [](const std::vector<double>& got, std::vector<double> want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], want[k], 1e-11);
  };
  near(b.rows.at({"a", ""}), {0.25, 0.75});
  near(b.rows.at({"b_c", "1"}), {1.0 / 3, 1.0 / 3, 1.0 / 3});
  near(b.rows.at({"b_c_2", "0,mid__high"}), {0.9, 0.1});
  near(b.rows.at({"b_c_2", "0,x"}), {0.0, 1.0});
  near(b.rows.at({"b_c_2", "1,lo"}), {0.6, 0.4});
  near(b.rows.at({"b_c_2", "1,x"}), {0.125, 0.875});
  std::remove(file.c_str());
}
