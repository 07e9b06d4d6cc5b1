// The data-set reader, and the score-file reader it hands a one-number first line to,
// as the driver calls them, on a stream over the fuzzer's bytes. A small data set that
// reads whole also has its cache built, so that whatever the reader lets through meets
// the counting and scoring code too.
#include "fuzz_support.hh"
#include "scoring/buildmap.hh"

namespace {
// Larger data sets are read only: building their cache would slow the fuzzer down.
// Variables of many states are too: the scoring code's guard lets a family's tables
// grow to 10^8 cells (800 MB), beyond the allocation limit that holds the readers to
// the size of their input.
constexpr int most_variables = 6;
constexpr int most_records = 64;
constexpr int most_states = 1024;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (in == nullptr) return 0;  // fmemopen refuses an empty buffer
  fuzzsupport::run_reader([in](io& d, params& p) {
    p.infile = in;
    d.readDORVinput(p);
    if (d.nrecords <= 0) {
      d.readCussenscache(p);
    } else if (d.n > 0 && d.n <= most_variables && d.nrecords <= most_records &&
               d.categ.max() <= most_states) {
      d.cache = buildmap(d, p, d.logsearchspace, d.cachesize);
    }
  });
  fclose(in);
  return 0;
}
