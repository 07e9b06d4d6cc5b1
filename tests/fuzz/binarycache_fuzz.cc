// The binary form of the native cache. The fuzzer's bytes are cut at every "@@@@" into
// n + 1 files: the per-variable files of variables 0 .. n-1 and the base file last, so
// the number of variables the data set would give is the number of cuts (1 to 8).
#include <vector>

#include "fuzz_support.hh"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t cut = input.find("@@@@", start);
    parts.push_back(input.substr(start, cut == std::string::npos ? cut : cut - start));
    if (cut == std::string::npos) break;
    start = cut + 4;
  }
  const int n = int(parts.size()) - 1;
  if (n < 1 || n > 8) return 0;
  const std::string x = std::string(fuzzsupport::scratch()) + "/c";
  for (int v = 0; v <= n; ++v) {
    const std::string name = v < n ? x + ".node" + std::to_string(v) + ".dorv" : x + ".dorv";
    const std::string& part = parts[size_t(v)];
    fuzzsupport::write_file(name, reinterpret_cast<const uint8_t*>(part.data()), part.size());
  }
  fuzzsupport::run_reader([&x, n](io& d, params& p) {
    d.init(n, 0);
    p.cachefile = x;
    d.readDORVcache(p);
  });
  return 0;
}
