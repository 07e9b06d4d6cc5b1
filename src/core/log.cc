#include "core/log.hh"

#include <cstdio>

const char* logprefix(int level) {
  switch (level) {
    case loglevel::info: return "[info] ";
    case loglevel::debug: return "[debug] ";
    case loglevel::warn: return "[warn] ";
    case loglevel::error: return "[error] ";
    default: return nullptr;
  }
}

void logline(int level, const std::string& text) {
  const char* prefix = logprefix(level);
  if (prefix == nullptr) return;
  logtext(prefix + text + "\n");
}

namespace {
thread_local const logsink* capture = nullptr;
}  // namespace

void logtext(const std::string& text) {
  if (capture != nullptr) {
    capture->write(capture->context, text);
    return;
  }
  logdirect(text);
}

void logdirect(const std::string& text) {
  fwrite(text.data(), 1, text.size(), stderr);
  fflush(stderr);
}

logcapture::logcapture(logsink sink) : saved(capture), own(sink) { capture = &own; }

logcapture::~logcapture() { capture = saved; }
