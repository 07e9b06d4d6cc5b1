// The one route of everything the program writes to standard error.
//
// Log lines carry a level prefix ("[info] ", "[debug] ", "[warn] ", "[error] "), then
// the text and a line end. Some fixed texts of the program have no prefix (the banner,
// the usage text, a few progress lines and debug dumps with layouts of their own, and
// lines written in pieces); they go through logtext unchanged. Both flush at once, so
// the stream is complete whenever the process ends. Callers decide by the verbosity
// option whether to write; nothing here filters.
#pragma once

#include <string>

namespace loglevel {
constexpr int info = 1;
constexpr int debug = 2;
constexpr int warn = 3;
constexpr int error = 4;
}  // namespace loglevel

// The prefix of a level, nullptr for any other number.
const char* logprefix(int level);
// Prefix, text and a line end; a level without a prefix writes nothing.
void logline(int level, const std::string& text);
// Text exactly as given: no prefix, no line end added.
void logtext(const std::string& text);

// Redirection of one thread's log text, for work done on several threads whose
// messages must come out in a fixed order: while a logcapture lives on a thread,
// logtext there hands its text to the sink instead (the sink decides when it reaches
// standard error, by logdirect). Other threads are not affected.
struct logsink {
  void (*write)(void* context, const std::string& text);
  void* context;
};
class logcapture {
 public:
  explicit logcapture(logsink sink);
  ~logcapture();
  logcapture(const logcapture&) = delete;
  logcapture& operator=(const logcapture&) = delete;

 private:
  const logsink* saved;
  logsink own;
};
// Standard error whatever the thread's capture: for sinks and for the last words of
// an aborting process.
void logdirect(const std::string& text);
