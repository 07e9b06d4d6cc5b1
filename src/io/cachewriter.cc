// Writer of the native score cache: one binary file per variable, the base file with
// the allowance matrix and a structure, and the text form with one row per entry.
// Layouts in io/cachelayout.hh; each per-variable file ends with its build record
// (io/provenance.hh). Every file is written under a temporary name and all of them
// replace their targets together once the last one is complete, so a failed write
// leaves the earlier cache whole (core/outputfile.hh).
//
// A run with node=V is one of several jobs that build a cache together: it writes only
// files no other job writes, V's binary file, V's text rows in a text file of its own
// (X.nodeV.dorv.csv) and, for V = 0, the base file. A run that reads the cache later
// assembles the per-variable files and checks their records.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/fail.hh"
#include "core/outputfile.hh"
#include "io/cachelayout.hh"
#include "io/io.hh"
#include "io/provenance.hh"

namespace {

[[noreturn]] void write_failed(const std::string& name) {
  fatal("Error writing cache output file [%s].", name.c_str());
}

FILE* open_for_writing(const std::string& name) {
  FILE* fp = outputfile::open(name);
  if (fp == nullptr) write_failed(name);
  return fp;
}

void close_written(FILE* fp, const std::string& name) {
  if (!outputfile::close(fp)) write_failed(name);
}

// A matrix in the binary form of core/matrix.hh, as matrix::tofile writes it, but a
// failed write is reported to the caller instead of aborting, and the address field,
// which no reader uses, holds 0: the same cache gives the same bytes on every run.
bool write_matrix(FILE* fp, const matrix<char>& set) {
  const int32_t count = 1, rows = set.n, cols = set.m;
  unsigned char record[24] = {0};
  std::memcpy(record, &rows, 4);
  std::memcpy(record + 4, &cols, 4);
  record[8] = set.desaloc ? 1 : 0;
  return fwrite(&count, sizeof(count), 1, fp) == 1 && fwrite(record, sizeof(record), 1, fp) == 1 &&
         (set.bytes() == 0 || fwrite(set.data, 1, set.bytes(), fp) == set.bytes());
}

// One text row per entry: "V,score" and the vector, the variable's own element
// replaced by its number of states. Rows are formatted by hand into one reused buffer:
// the elements are almost always 0 or 1, and a printf call per element made the text
// form cost twice the binary one.
void write_text_rows(FILE* fp, int v, const parentsetlist& list, int states,
                     const std::string& name) {
  std::vector<char> line;
  for (const auto& entry : list) {
    const matrix<char>& set = entry.second;
    line.resize(64 + 12 * size_t(set.size()));
    char* out = line.data();
    out += snprintf(out, 64, "%d,%lf", v, entry.first);
    for (int k = 0; k < set.size(); ++k) {
      const int element = k == v ? states : set[k];
      if (element == 0 || element == 1) {
        *out++ = ',';
        *out++ = char('0' + element);
      } else {
        out += snprintf(out, 13, ",%d", element);
      }
    }
    *out++ = '\n';
    const size_t length = size_t(out - line.data());
    if (fwrite(line.data(), 1, length, fp) != length) write_failed(name);
  }
}

// K, then each entry's score and parent-set vector in the matrix binary form, then the
// build record.
void write_node_file(const std::string& name, const parentsetlist& list,
                     const buildrecord& record) {
  FILE* fp = open_for_writing(name);
  const int32_t count = int32_t(list.size());
  if (fwrite(&count, sizeof(count), 1, fp) != 1) write_failed(name);
  for (const auto& entry : list) {
    if (fwrite(&entry.first, sizeof(double), 1, fp) != 1 || !write_matrix(fp, entry.second))
      write_failed(name);
  }
  record.write(fp);
  close_written(fp, name);
}

}  // namespace

void io::writeDORVcache(const params& p, const matrix<char>& structure) const {
  const std::string& x = p.cachefile;
  const bool text_only = p.cacheformat == "csv";
  const bool job = p.node >= 0;
  const std::string text_name = job ? cachenames::node_text_file(x, p.node) : cachenames::text_file(x);
  FILE* text = open_for_writing(text_name);
  if (p.verbose > 0) messaging(infolevel, "writing cache to files (DORV format)");
  long long rows = 0;
  for (int v = 0; v < n; ++v)
    if (!job || v == p.node) rows += (long long)cache[size_t(v)].size();
  if (fprintf(text, "#rows,%lld\n", rows) < 0) write_failed(text_name);
  buildrecord record;
  if (!text_only) record = buildrecord::of(*this, p, 0);
  for (int v = 0; v < n; ++v) {
    if (job && v != p.node) continue;
    const parentsetlist& list = cache[size_t(v)];
    record.variable = v;
    if (!text_only) write_node_file(cachenames::node_file(x, v), list, record);
    write_text_rows(text, v, list, categ[v], text_name);
  }
  close_written(text, text_name);
  if (!text_only && p.node <= 0) {
    const std::string base_name = cachenames::base_file(x);
    FILE* base = open_for_writing(base_name);
    if (!write_matrix(base, allow) || !write_matrix(base, structure)) write_failed(base_name);
    close_written(base, base_name);
  }
  std::string failed;
  if (!outputfile::commit(failed)) write_failed(failed);
}
