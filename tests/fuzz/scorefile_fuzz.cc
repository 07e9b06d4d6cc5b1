// The score-file (Cussens) reader, reached as the driver reaches it: through the
// data-set reader, which hands over a file whose first line is one number. Inputs
// with any other first line are left to the data-set target.
#include <cctype>

#include "fuzz_support.hh"

namespace {

bool one_number_first_line(const uint8_t* data, size_t size) {
  size_t k = 0;
  while (k < size && (data[k] == ' ' || data[k] == '\t')) ++k;
  const size_t digits = k;
  while (k < size && isdigit(data[k])) ++k;
  if (k == digits) return false;
  while (k < size && (data[k] == ' ' || data[k] == '\t' || data[k] == '\r')) ++k;
  return k < size && data[k] == '\n';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!one_number_first_line(data, size)) return 0;
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (in == nullptr) return 0;  // fmemopen refuses an empty buffer
  fuzzsupport::run_reader([in](io& d, params& p) {
    p.infile = in;
    d.readDORVinput(p);
    if (d.nrecords <= 0) d.readCussenscache(p);
  });
  fclose(in);
  return 0;
}
