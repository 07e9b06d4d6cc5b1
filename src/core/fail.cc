#include "core/fail.hh"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/log.hh"
#include "core/text.hh"

namespace {
thread_local bool deferring = false;

[[noreturn]] void end_with(int code, const char* prefix, const char* format, va_list args) {
  std::string text = prefix + vformat(format, args) + "\n";
  if (deferring) throw deferredfatal{code, std::move(text)};
  logtext(text);
  fflush(stdout);
  exit(code);
}
}  // namespace

deferfatal::deferfatal() : saved(deferring) { deferring = true; }

deferfatal::~deferfatal() { deferring = saved; }

void endrun(const deferredfatal& stop) {
  logdirect(stop.text);
  fflush(stdout);
  exit(stop.code);
}

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
  logdirect(condition_text);
  abort();
}
