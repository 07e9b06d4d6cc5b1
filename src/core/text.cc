#include "core/text.hh"

#include <cstdarg>
#include <cstdio>
#include <cstring>

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string out = vformat(fmt, args);
  va_end(args);
  return out;
}

std::string vformat(const char* fmt, va_list args) {
  va_list again;
  va_copy(again, args);
  const int length = vsnprintf(nullptr, 0, fmt, args);
  std::string out(length > 0 ? size_t(length) : 0, '\0');
  if (length > 0) vsnprintf(&out[0], out.size() + 1, fmt, again);
  va_end(again);
  return out;
}

namespace {
bool is_blank(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 1 && u <= 32;
}
}  // namespace

// Trailing bytes are compared as unsigned values, so a name ending in a non-ASCII
// byte (0x80-0xFF) keeps that byte.
std::string trim(char* s) {
  while (is_blank(*s)) ++s;
  size_t length = std::strlen(s);
  while (length > 1 && is_blank(s[length - 1])) s[--length] = '\0';
  return std::string(s, length);
}
