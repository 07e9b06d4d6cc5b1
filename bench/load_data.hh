// Benchmarks load their data set through the program's own reader.
#pragma once

#include <cstdio>

#include "core/params.hh"
#include "io/io.hh"

// Reads the data set at path into d with the options p; false (and a message) when the
// file cannot be opened.
inline bool load_data_set(const char* path, params& p, io& d) {
  p.infile = fopen(path, "r");
  if (p.infile == nullptr) {
    fprintf(stderr, "cannot open %s\n", path);
    return false;
  }
  d.readDORVinput(p);
  fclose(p.infile);
  return true;
}
