// The two ways the program ends on its own.
//
// fatal(): an input or resource error. The formatted message goes to standard error,
// followed by one line end, the outputs still being written are discarded (their
// targets keep their earlier contents, core/outputfile.hh), and the process exits with
// code 255 (or the given code); fatalerror() writes the "[error] " prefix first.
// check(): an always-on internal invariant. When it fails, the condition text is
// written with "%s" and no line end, and the process aborts.
//
// A thread doing part of a larger piece of work for another thread can defer its fatal
// errors: while a deferfatal object lives on it, fatal() there does not end the process
// but throws a deferredfatal holding the code and the complete text, which the
// thread's outermost function catches and hands over; the thread in charge ends the run
// with endrun() once the output before the error is complete. This is the program's
// only exception.
#pragma once

#include <string>

#include "core/status.hh"

struct deferredfatal {
  int code;
  std::string text;  // as fatal() would write it, line end included
};

class deferfatal {
 public:
  deferfatal();
  ~deferfatal();
  deferfatal(const deferfatal&) = delete;
  deferfatal& operator=(const deferfatal&) = delete;

 private:
  bool saved;
};

// Writes a deferred error's text to standard error and ends the process with its code.
[[noreturn]] void endrun(const deferredfatal& stop);

[[noreturn]] void fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void fatalerror(const char* format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void fatal_with_code(int code, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
[[noreturn]] void assertion_failed(const char* condition_text);

inline void check(bool condition, const char* condition_text) {
  if (!condition) assertion_failed(condition_text);
}

// A fuzz target runs the readers many times in one process, so it cannot let a fatal
// error exit: it installs a handler that unwinds back to its entry point. The handler
// receives the exit code, runs after the message is written and must not return;
// nullptr restores exit.
using fatalhandler = void (*)(int code);
void set_fatal_handler(fatalhandler handler);
