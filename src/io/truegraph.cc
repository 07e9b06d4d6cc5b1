#include "io/truegraph.hh"

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/fail.hh"

namespace {

class graphreader {
 public:
  graphreader(const std::string& name, const std::vector<std::string>& labels)
      : name(name), labels(labels), graph(int(labels.size()), int(labels.size()), 0) {}

  matrix<char> read() {
    std::ifstream in(name, std::ios::binary);
    if (!in) fatal("Error reading true graph file [%s].", name.c_str());
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    if (all.find("digraph") != std::string::npos)
      dot(all);
    else
      arclist(all);
    return std::move(graph);
  }

 private:
  // Lines are named in arc lists; a DOT file is read as a whole (line 0).
  [[noreturn]] void fail(const std::string& what) const {
    if (line > 0) fatal("True graph file %s line %d: %s.", name.c_str(), line, what.c_str());
    fatal("True graph file %s: %s.", name.c_str(), what.c_str());
  }

  int variable(const std::string& word) const {
    for (size_t v = 0; v < labels.size(); ++v)
      if (labels[v] == word) return int(v);
    char* stop = nullptr;
    const long v = std::strtol(word.c_str(), &stop, 10);
    if (word.empty() || *stop != '\0' || v < 0 || v >= long(labels.size()))
      fail("no variable named [" + word + "]");
    return int(v);
  }

  void arc(const std::string& parent, const std::string& child) {
    const int p = variable(parent), c = variable(child);
    if (p != c) graph(c, p) = 1;
  }

  // One arc per line; see the header for what else a line may hold.
  void arclist(const std::string& all) {
    std::istringstream in(all);
    std::string text;
    bool nodes = false;
    for (line = 1; std::getline(in, text); ++line) {
      while (!text.empty() &&
             (text.back() == '\r' || std::isspace(static_cast<unsigned char>(text.back()))))
        text.pop_back();
      const size_t first = text.find_first_not_of(" \t");
      if (first == std::string::npos || text[first] == '#') continue;
      text = text.substr(first);
      if (nodes) {  // the line of node names after "Graph Nodes:"
        nodes = false;
        continue;
      }
      if (text == "Graph Nodes:") nodes = true;
      if (text == "Graph Nodes:" || text == "Graph Edges:") continue;
      size_t k = 0;
      while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) ++k;
      if (k > 0 && k < text.size() && text[k] == '.') text = text.substr(k + 1);
      for (const char* sep : {"-->", "->", ",", "\t"}) {
        const size_t at = text.find(sep);
        if (at != std::string::npos) {
          text = text.substr(0, at) + " " + text.substr(at + std::strlen(sep));
          break;
        }
      }
      std::istringstream words(text);
      std::string parent, child, extra;
      if (!(words >> parent >> child) || (words >> extra))
        fail("expected an arc 'parent -> child'");
      arc(parent, child);
    }
  }

  // The words of DOT: quoted strings, identifiers, "->" and single punctuation.
  std::vector<std::string> tokens(const std::string& all) {
    std::vector<std::string> out;
    for (size_t i = 0; i < all.size();) {
      const char c = all[i];
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++i;
      } else if (all.compare(i, 2, "//") == 0 || c == '#') {
        while (i < all.size() && all[i] != '\n') ++i;
      } else if (all.compare(i, 2, "/*") == 0) {
        const size_t end = all.find("*/", i + 2);
        i = end == std::string::npos ? all.size() : end + 2;
      } else if (c == '"') {
        std::string word;
        for (++i; i < all.size() && all[i] != '"'; ++i) {
          if (all[i] == '\\' && i + 1 < all.size()) ++i;
          word += all[i];
        }
        ++i;
        out.push_back("\"" + word);
      } else if (all.compare(i, 2, "->") == 0 || all.compare(i, 2, "--") == 0) {
        out.push_back(all.substr(i, 2));
        i += 2;
      } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.') {
        const size_t start = i;
        while (i < all.size() &&
               (std::isalnum(static_cast<unsigned char>(all[i])) || all[i] == '_' || all[i] == '.'))
          ++i;
        out.push_back(all.substr(start, i - start));
      } else {
        out.push_back(std::string(1, c));
        ++i;
      }
    }
    return out;
  }

  // Arcs are the chains "a -> b -> c"; attribute lists [...] are skipped.
  void dot(const std::string& all) {
    line = 0;
    const std::vector<std::string> t = tokens(all);
    auto id = [](const std::string& w) { return w[0] == '"' ? w.substr(1) : w; };
    auto isid = [](const std::string& w) {
      return w[0] == '"' || std::isalnum(static_cast<unsigned char>(w[0])) || w[0] == '_' ||
             w[0] == '.';
    };
    for (size_t i = 0; i < t.size(); ++i) {
      if (t[i] == "[") {
        while (i < t.size() && t[i] != "]") ++i;
        continue;
      }
      if (i + 2 < t.size() && isid(t[i]) && t[i + 1] == "->" && isid(t[i + 2]))
        arc(id(t[i]), id(t[i + 2]));
    }
  }

  const std::string& name;
  const std::vector<std::string>& labels;
  matrix<char> graph;
  int line = 0;
};

}  // namespace

matrix<char> read_truegraph(const std::string& name, const std::vector<std::string>& labels) {
  return graphreader(name, labels).read();
}

graphcomparison compare_graphs(const matrix<char>& learnt, const matrix<char>& truth) {
  graphcomparison c;
  const int n = learnt.n;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      if (i == j) continue;
      const bool l = learnt(i, j) > 0, t = truth(i, j) > 0;
      c.learnt += l;
      c.truth += t;
      c.correct += l && t;
      // Each unordered pair once: compare both directions together.
      if (j > i && (l != t || (learnt(j, i) > 0) != (truth(j, i) > 0))) ++c.shd;
    }
  return c;
}

void write_comparison(FILE* out, const graphcomparison& c) {
  fprintf(out, "shd %d\narcprecision %.6f\narcrecall %.6f\n", c.shd,
          c.learnt > 0 ? double(c.correct) / c.learnt : 1.0,
          c.truth > 0 ? double(c.correct) / c.truth : 1.0);
}
