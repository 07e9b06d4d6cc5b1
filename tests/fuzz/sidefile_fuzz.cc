// The side files that name variables: the constraint file and the true graph. The
// fuzzer's bytes are cut at the first "@@@@" into the two files, read for a fixed data
// set of four named variables (weather, temp, play, wind).
#include "fuzz_support.hh"
#include "io/truegraph.hh"

namespace {
constexpr char data_set[] = "2 4 -1 0 -1\nweather temp play wind\n0 1 0 1\n1 0 1 0\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find("@@@@");
  const std::string constraints = input.substr(0, cut);
  const std::string graph = cut == std::string::npos ? std::string() : input.substr(cut + 4);
  const std::string dir = fuzzsupport::scratch();
  const std::string constraint_name = dir + "/constraints", graph_name = dir + "/true";
  fuzzsupport::write_file(constraint_name, reinterpret_cast<const uint8_t*>(constraints.data()),
                          constraints.size());
  fuzzsupport::write_file(graph_name, reinterpret_cast<const uint8_t*>(graph.data()), graph.size());
  FILE* in = fmemopen(const_cast<char*>(data_set), sizeof data_set - 1, "r");
  fuzzsupport::run_reader([&](io& d, params& p) {
    p.infile = in;
    d.readDORVinput(p);
    p.constraintfile = constraint_name;
    d.readconstraintfile(p);
    d.truestructure = read_truegraph(graph_name, d.labels);
  });
  fclose(in);
  return 0;
}
