#include "core/fail.hh"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {
[[noreturn]] void end_with(int code, const char* format, va_list args) {
  vfprintf(stderr, format, args);
  fprintf(stderr, "\n");
  fflush(stderr);
  fflush(stdout);
  exit(code);
}
}  // namespace

void fatal(const char* format, ...) {
  va_list args;
  va_start(args, format);
  end_with(exitcode::fatal, format, args);
}

void fatal_with_code(int code, const char* format, ...) {
  va_list args;
  va_start(args, format);
  end_with(code, format, args);
}

void assertion_failed(const char* condition_text) {
  fprintf(stderr, "%s", condition_text);
  fflush(stderr);
  abort();
}
