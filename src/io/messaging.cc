#include <iostream>

#include "io/io.hh"

void io::messaging(int level, const std::string& text, std::ostream& out) {
  const char* prefix = nullptr;
  switch (level) {
    case infolevel: prefix = "[info] "; break;
    case debuglevel: prefix = "[debug] "; break;
    case warnlevel: prefix = "[warn] "; break;
    case errorlevel: prefix = "[error] "; break;
    default: return;
  }
  out << prefix << text << "\n";
  out.flush();
}

void io::messaging(int level, const std::string& text) { messaging(level, text, std::cerr); }
