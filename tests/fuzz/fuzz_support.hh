// Shared by the fuzz targets: each runs one reader of the program on the fuzzer's bytes
// in one long-lived process, so a fatal error must unwind back to the target instead of
// exiting, and files a reader opens by name live in a private scratch folder. Standard
// error is closed by the runner (-close_fd_mask=2); the readers' messages go nowhere.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/fail.hh"
#include "core/params.hh"
#include "io/io.hh"
#include "scoring/buildmap.hh"

namespace fuzzsupport {

// Thrown by the fatal handler: a clean error, not a finding.
struct stopped {
  int code;
};

[[noreturn]] inline void unwind(int code) { throw stopped{code}; }

// The scratch folder, made once per process and removed at its end: in memory where
// the system has a memory file system (on a disk, writing the input files took 80% of
// the time), else in /tmp. The name lives in a plain array, which outlasts the
// process's static objects for the removal at exit.
inline const char* scratch() {
  static char dir[] = "/dev/shm/bnsl_fuzz_XXXXXX";
  static char fallback[] = "/tmp/bnsl_fuzz_XXXXXX";
  static const char* made = [] {
    const char* path = mkdtemp(dir);
    if (path == nullptr) path = mkdtemp(fallback);
    if (path == nullptr) abort();
    atexit([] { std::filesystem::remove_all(made); });
    return path;
  }();
  return made;
}

inline void write_file(const std::string& name, const uint8_t* data, size_t size) {
  FILE* fp = fopen(name.c_str(), "wb");
  if (fp == nullptr) abort();
  if (size > 0 && fwrite(data, 1, size, fp) != size) abort();
  fclose(fp);
}

// Quiet parameters: no progress lines.
inline params quiet() {
  params p;
  p.verbose = 0;
  return p;
}

// Runs step, which reads into d; a fatal error ends the step, anything else escapes.
// A record that was read whole then goes through the clean-up, as every run does.
template <typename Step>
void run_reader(Step step) {
  set_fatal_handler(unwind);
  io d;
  params p = quiet();
  try {
    step(d, p);
    if (!d.cache.empty()) d.vacuum(p);
  } catch (const stopped&) {
  }
}

// A data set that read whole has its cache built when it is small, so that whatever the
// reader lets through meets the counting and scoring code too. Larger data sets are
// read only: building their cache would slow the fuzzer down. Variables of many states
// are too: the scoring code's guard lets a family's tables grow to 10^8 cells (800 MB),
// beyond the allocation limit that holds the readers to the size of their input.
inline void build_small_cache(io& d, const params& p) {
  constexpr int most_variables = 6, most_records = 64, most_states = 1024;
  if (d.n > 0 && d.n <= most_variables && d.nrecords <= most_records &&
      d.categ.max() <= most_states)
    d.cache = buildmap(d, p, d.logsearchspace, d.cachesize);
}

}  // namespace fuzzsupport
