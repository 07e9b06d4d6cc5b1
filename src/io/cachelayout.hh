// The native score cache on disk. X is the value of the option that names the cache.
// Integers are 32-bit and doubles 8-byte IEEE 754, both little-endian; matrices are in
// the binary form of core/matrix.hh (count word 1, 24-byte record with n and m, then
// the elements column by column).
//
// Per-variable file X.nodeV.dorv:
//   0   4        K, the number of entries of variable V
//   4   36 + n   per entry: the local score (double), then the n x 1 parent-set
//                vector (1 at each parent and at V itself), in list order
//   then         the 64-byte build record of io/provenance.hh (absent in older files)
// Base file (X when X ends in ".dorv", otherwise X.dorv): the n x n allowance matrix,
// then an n x n structure matrix, both char.
// Text file (X when X ends in ".dorv.csv", otherwise X.dorv.csv): a header row
// "#rows,R", then R rows, one per entry: "V,score" with six decimals, then ",e" for
// each of the n vector elements, where the element at V's own position holds V's number
// of states instead of 1 and every other element is 0 or 1. The header lets a reader
// tell a whole file from one cut short at a line end. A reader takes several such
// sections one after the other (text files of single variables put together), and a
// file without any header row, as earlier versions wrote it, unchecked. A job that
// builds variable V alone (option node) writes its rows to X.nodeV.dorv.csv instead.
#pragma once

#include <string>

namespace cachenames {

inline bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

inline std::string node_file(const std::string& x, int v) {
  return x + ".node" + std::to_string(v) + ".dorv";
}

inline std::string base_file(const std::string& x) {
  return ends_with(x, ".dorv") ? x : x + ".dorv";
}

inline std::string text_file(const std::string& x) {
  return ends_with(x, ".dorv.csv") ? x : x + ".dorv.csv";
}

inline std::string node_text_file(const std::string& x, int v) {
  return x + ".node" + std::to_string(v) + ".dorv.csv";
}

}  // namespace cachenames
