// Feeds inline data-set text to the reader through a temporary file.
#pragma once

#include <cstdio>
#include <string>

#include "core/params.hh"
#include "io/io.hh"

// Reads `text` as the data set into d with options p (verbose 0 unless set); returns
// what readDORVinput returns.
inline int read_text(io& d, const std::string& text, params p = params(), int verbose = 0) {
  FILE* f = tmpfile();
  fwrite(text.data(), 1, text.size(), f);
  rewind(f);
  p.infile = f;
  p.verbose = verbose;
  const int result = d.readDORVinput(p);
  fclose(f);
  return result;
}
