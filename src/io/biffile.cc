#include "io/biffile.hh"

#include <cstdio>
#include <cstring>
#include <set>

#include "core/fail.hh"
#include "core/log.hh"

namespace {

// The name with BIF's syntax characters replaced, made unique within `taken`.
std::string bifname(const std::string& raw, std::set<std::string>& taken, bool& changed) {
  std::string name = raw.empty() ? "_" : raw;
  for (char& c : name)
    if (static_cast<unsigned char>(c) <= ' ' || std::strchr(",;|()[]{}\"", c)) c = '_';
  const std::string base = name;
  for (int k = 2; taken.count(name) > 0; ++k) name = base + "_" + std::to_string(k);
  taken.insert(name);
  changed = changed || name != raw;
  return name;
}

struct names {
  std::vector<std::string> variables;
  std::vector<std::vector<std::string>> states;
};

names bifnames(const bifnetwork& net) {
  names out;
  bool changed = false;
  std::set<std::string> variables;
  const int n = net.structure.n;
  for (int v = 0; v < n; ++v) {
    out.variables.push_back(bifname(net.names[size_t(v)], variables, changed));
    std::set<std::string> states;
    out.states.emplace_back();
    const bool named = size_t(v) < net.states.size() && !net.states[size_t(v)].empty();
    for (int s = 0; s < net.categ[v]; ++s)
      out.states.back().push_back(
          bifname(named ? net.states[size_t(v)][size_t(s)] : std::to_string(s), states, changed));
  }
  if (changed)
    logline(loglevel::warn,
            "Names holding blanks or any of , ; | ( ) [ ] { } \" are written with _ "
            "in the network file");
  return out;
}

void write_table(FILE* f, const bifnetwork& net, const names& nm, int v) {
  std::vector<int> parents;
  for (int u = 0; u < net.structure.m; ++u)
    if (u != v && net.structure(v, u) > 0) parents.push_back(u);
  const int r = net.categ[v];
  fprintf(f, "probability ( %s", nm.variables[size_t(v)].c_str());
  for (size_t i = 0; i < parents.size(); ++i)
    fprintf(f, "%s%s", i == 0 ? " | " : ", ", nm.variables[size_t(parents[i])].c_str());
  fprintf(f, " ) {\n");
  const std::vector<double>& cpt = net.tables[size_t(v)];
  const size_t q = r > 0 ? cpt.size() / size_t(r) : 0;
  std::vector<int> state(parents.size(), 0);
  for (size_t k = 0; k < q; ++k) {
    if (parents.empty()) {
      fprintf(f, "  table ");
    } else {
      fprintf(f, "  (");
      for (size_t i = 0; i < parents.size(); ++i)
        fprintf(f, "%s%s", i == 0 ? "" : ", ",
                nm.states[size_t(parents[i])][size_t(state[i])].c_str());
      fprintf(f, ") ");
    }
    for (int j = 0; j < r; ++j)
      fprintf(f, "%s%.12g", j == 0 ? "" : ", ", cpt[k * size_t(r) + size_t(j)]);
    fprintf(f, ";\n");
    // The next configuration: the last parent turns fastest.
    for (size_t i = parents.size(); i-- > 0;) {
      if (++state[i] < net.categ[parents[i]]) break;
      state[i] = 0;
    }
  }
  fprintf(f, "}\n");
}

}  // namespace

void write_biffile(const std::string& name, const bifnetwork& net) {
  const names nm = bifnames(net);
  FILE* f = fopen(name.c_str(), "w");
  if (f == nullptr) fatal("Error writing network file [%s].", name.c_str());
  fprintf(f, "network unknown {\n}\n");
  const int n = net.structure.n;
  for (int v = 0; v < n; ++v) {
    fprintf(f, "variable %s {\n  type discrete [ %d ] { ", nm.variables[size_t(v)].c_str(),
            net.categ[v]);
    for (size_t s = 0; s < nm.states[size_t(v)].size(); ++s)
      fprintf(f, "%s%s", s == 0 ? "" : ", ", nm.states[size_t(v)][s].c_str());
    fprintf(f, " };\n}\n");
  }
  for (int v = 0; v < n; ++v) write_table(f, net, nm, v);
  if (ferror(f) || fclose(f) != 0) fatal("Error writing network file [%s].", name.c_str());
}
