#include "io/graphfile.hh"

#include <cstdio>

#include "core/fail.hh"
#include "core/outputfile.hh"

namespace {

std::string quoted_label(const std::vector<std::string>& labels, int v) {
  const std::string& label = size_t(v) < labels.size() ? labels[size_t(v)] : std::string();
  std::string out = "\"";
  if (label.empty()) out += "v" + std::to_string(v);
  for (char c : label) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

void write_graphfile(const std::string& name, const std::vector<std::string>& labels,
                     const matrix<char>& structure, double total) {
  FILE* fp = outputfile::open(name);
  if (fp == nullptr) fatal("Error writing graph file [%s].", name.c_str());
  const int n = structure.n;
  fprintf(fp, "// score %lf\ndigraph bn {\n", total);
  for (int v = 0; v < n; ++v) fprintf(fp, "  %s;\n", quoted_label(labels, v).c_str());
  for (int child = 0; child < n; ++child)
    for (int parent = 0; parent < n; ++parent)
      if (parent != child && structure(child, parent) > 0)
        fprintf(fp, "  %s -> %s;\n", quoted_label(labels, parent).c_str(),
                quoted_label(labels, child).c_str());
  fprintf(fp, "}\n");
  if (!outputfile::close(fp)) fatal("Error writing graph file [%s].", name.c_str());
}
