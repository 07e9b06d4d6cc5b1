#include <ostream>

#include "io/io.hh"

void io::messaging(int level, const std::string& text, std::ostream& out) {
  const char* prefix = logprefix(level);
  if (prefix == nullptr) return;
  out << prefix << text << "\n";
  out.flush();
}
