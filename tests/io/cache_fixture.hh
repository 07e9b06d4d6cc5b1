// Test support for the cache and score-file tests: a scratch directory per test, small
// hand-made caches and whole-file reads.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

#include "core/params.hh"
#include "io/io.hh"

namespace testsupport {

class scratchdir : public testing::Test {
 protected:
  std::string dir;
  params p;

  void SetUp() override {
    char pattern[] = "/tmp/bnsl_io_XXXXXX";
    dir = mkdtemp(pattern);
    p.verbose = 0;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string path(const std::string& name) const { return dir + "/" + name; }
};

// Appends to v's list the set of the given parents (plus v itself) with score value.
inline void add_entry(io& d, int v, double value, std::initializer_list<int> parents) {
  matrix<char> set(d.n, 1, 0);
  set[v] = 1;
  for (int u : parents) set[u] = 1;
  d.cache[size_t(v)].emplace_back(value, set);
  ++d.cachesize;
}

inline std::string file_text(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void write_text(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
}

inline bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof(double)) == 0; }

inline bool same_set(const matrix<char>& a, const matrix<char>& b) {
  return a.n == b.n && a.m == b.m && (a.size() == 0 || std::memcmp(a.data, b.data, a.bytes()) == 0);
}

}  // namespace testsupport
