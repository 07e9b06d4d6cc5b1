#include "core/fail.hh"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/log.hh"
#include "core/outputfile.hh"
#include "core/text.hh"

namespace {

fatalhandler handler = nullptr;
thread_local bool deferring = false;

[[noreturn]] void end_with(int code, const std::string& message) {
  std::string text = message + "\n";
  if (deferring) throw deferredfatal{code, std::move(text)};
  logtext(text);
  fflush(stdout);
  outputfile::discard_all();
  if (handler != nullptr) handler(code);
  exit(code);
}

}  // namespace

void set_fatal_handler(fatalhandler h) { handler = h; }

deferfatal::deferfatal() : saved(deferring) { deferring = true; }

deferfatal::~deferfatal() { deferring = saved; }

void endrun(const deferredfatal& stop) {
  logdirect(stop.text);
  fflush(stdout);
  outputfile::discard_all();
  if (handler != nullptr) handler(stop.code);
  exit(stop.code);
}

void fatal(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = vformat(format, args);
  va_end(args);
  end_with(exitcode::fatal, text);
}

void fatalerror(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = logprefix(loglevel::error) + vformat(format, args);
  va_end(args);
  end_with(exitcode::fatal, text);
}

void fatal_with_code(int code, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = vformat(format, args);
  va_end(args);
  end_with(code, text);
}

void assertion_failed(const char* condition_text) {
  logdirect(condition_text);
  abort();
}
