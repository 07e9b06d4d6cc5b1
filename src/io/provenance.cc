#include "io/provenance.hh"

#include <cstring>
#include <vector>

#include "core/fail.hh"
#include "core/params.hh"
#include "core/text.hh"
#include "io/io.hh"

namespace {

constexpr char magic[8] = {'b', 'n', 's', 'l', 'p', 'r', 'o', 'v'};
constexpr int32_t version = 1;
constexpr size_t recordsize = 64;

// Adds a file's bytes to size and to the FNV-1a 64-bit checksum sum; size becomes -1
// when it cannot be read.
void addsignature(const std::string& name, int64_t& size, uint64_t& sum) {
  FILE* fp = fopen(name.c_str(), "rb");
  if (fp == nullptr) {
    size = -1;
    return;
  }
  std::vector<unsigned char> chunk(1 << 16);
  for (size_t got; (got = fread(chunk.data(), 1, chunk.size(), fp)) > 0;) {
    for (size_t k = 0; k < got; ++k) sum = (sum ^ chunk[k]) * 0x100000001b3ull;
    size += int64_t(got);
  }
  fclose(fp);
}

template <typename T>
void put(unsigned char* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

template <typename T>
T get(const unsigned char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

const char* criterionname(int32_t c) { return c == 2 ? "bdeu" : c == 1 ? "aic" : "bic"; }

std::string scoretext(const buildrecord& r) {
  if (r.criterion != 2) return criterionname(r.criterion);
  return format("bdeu, alpha %g", r.alpha);
}

std::string limittext(int32_t limit) {
  return limit >= params::U30 ? "none" : std::to_string(limit);
}

}  // namespace

buildrecord buildrecord::of(const io& d, const params& p, int v) {
  buildrecord r;
  r.variable = v;
  r.nvars = d.n;
  r.records = d.nrecords;
  // The constraint file shapes the lists as much as the data do (constraints in a
  // native data file are part of it already).
  r.datasize = 0;
  r.checksum = 0xcbf29ce484222325ull;
  for (const std::string& name : {p.inputfile, p.constraintfile})
    if (name != params::notdef && r.datasize >= 0) addsignature(name, r.datasize, r.checksum);
  r.criterion = p.alpha > 0 ? 2 : p.aicscore ? 1 : 0;
  r.alpha = p.alpha > 0 ? p.alpha : 0;
  r.maxparents = p.globalmaxparents;
  r.prune = p.prunescores ? 1 : 0;
  return r;
}

void buildrecord::write(FILE* fp) const {
  unsigned char out[recordsize] = {};
  std::memcpy(out, magic, sizeof magic);
  put(out + 8, version);
  put(out + 12, variable);
  put(out + 16, nvars);
  put(out + 20, records);
  put(out + 24, datasize);
  put(out + 32, checksum);
  put(out + 40, criterion);
  put(out + 44, alpha);
  put(out + 52, maxparents);
  put(out + 56, prune);
  fwrite(out, 1, recordsize, fp);
}

bool buildrecord::read(FILE* fp, const std::string& name) {
  unsigned char in[recordsize];
  const size_t got = fread(in, 1, recordsize, fp);
  if (got == 0) return false;
  if (got != recordsize || std::memcmp(in, magic, sizeof magic) != 0 ||
      get<int32_t>(in + 8) != version || fgetc(fp) != EOF)
    fatal("Cache file %s has unrecognized format.", name.c_str());
  variable = get<int32_t>(in + 12);
  nvars = get<int32_t>(in + 16);
  records = get<int32_t>(in + 20);
  datasize = get<int64_t>(in + 24);
  checksum = get<uint64_t>(in + 32);
  criterion = get<int32_t>(in + 40);
  alpha = get<double>(in + 44);
  maxparents = get<int32_t>(in + 52);
  prune = get<int32_t>(in + 56);
  return true;
}

void buildrecord::checkagainst(const buildrecord& run, int v, const std::string& name) const {
  const char* file = name.c_str();
  if (variable != v)
    fatal("Cache file [%s] holds the list of variable %d, not of variable %d.", file, variable, v);
  if (nvars != run.nvars || records != run.records || datasize != run.datasize ||
      checksum != run.checksum)
    fatal("Cache file [%s] was built from other data or constraints (%d variables, %d records, %lld "
          "bytes, checksum %016llx; this run: %d variables, %d records, %lld bytes, checksum "
          "%016llx).",
          file, nvars, records, (long long)datasize, (unsigned long long)checksum, run.nvars,
          run.records, (long long)run.datasize, (unsigned long long)run.checksum);
  if (criterion != run.criterion || alpha != run.alpha)
    fatal("Cache file [%s] was built with another score (%s; this run: %s).", file,
          scoretext(*this).c_str(), scoretext(run).c_str());
  if (maxparents != run.maxparents)
    fatal("Cache file [%s] was built with another parent limit (globalmaxparents %s; this "
          "run: %s).",
          file, limittext(maxparents).c_str(), limittext(run.maxparents).c_str());
  if (prune != run.prune)
    fatal("Cache file [%s] was built with prunescores=%d (this run: %d).", file, prune, run.prune);
}
