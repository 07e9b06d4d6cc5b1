// The CSV data-set reader on a stream over the fuzzer's bytes; a small data set that
// reads whole also has its cache built.
#include "fuzz_support.hh"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (in == nullptr) return 0;  // fmemopen refuses an empty buffer
  fuzzsupport::run_reader([in](io& d, params& p) {
    p.infile = in;
    p.inputfile = "data.csv";
    d.readcsv(p);
    fuzzsupport::build_small_cache(d, p);
  });
  fclose(in);
  return 0;
}
