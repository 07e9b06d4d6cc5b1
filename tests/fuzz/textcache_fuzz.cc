// The text form of the native cache, read from a file holding the fuzzer's bytes.
#include "fuzz_support.hh"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = std::string(fuzzsupport::scratch()) + "/c.dorv.csv";
  fuzzsupport::write_file(name, data, size);
  fuzzsupport::run_reader([&name](io& d, params& p) {
    p.cachefile = name;
    d.readDORVcache(p);
  });
  return 0;
}
