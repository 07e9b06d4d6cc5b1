#include "core/fail.hh"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/log.hh"
#include "core/text.hh"

namespace {
[[noreturn]] void end_with(int code, const char* prefix, const char* format, va_list args) {
  logtext(prefix + vformat(format, args) + "\n");
  fflush(stdout);
  exit(code);
}
}  // namespace

void fatal(const char* format, ...) {
  va_list args;
  va_start(args, format);
  end_with(exitcode::fatal, "", format, args);
}

void fatalerror(const char* format, ...) {
  va_list args;
  va_start(args, format);
  end_with(exitcode::fatal, logprefix(loglevel::error), format, args);
}

void fatal_with_code(int code, const char* format, ...) {
  va_list args;
  va_start(args, format);
  end_with(code, "", format, args);
}

void assertion_failed(const char* condition_text) {
  logtext(condition_text);
  abort();
}
