#include "core/outputfile.hh"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "core/fail.hh"

namespace {

struct pending {
  FILE* fp;
  std::string target;
  std::string temp;  // empty: written in place
  bool closed;
};

// An input file by its name and the identity the name had when it was noted.
struct identity {
  dev_t dev;
  ino_t ino;
  std::string path;
};

// Whether the name still names the same file: an input removed since then may have
// left its inode number to another file.
bool still_named(const identity& in) {
  struct stat now;
  return stat(in.path.c_str(), &now) == 0 && now.st_dev == in.dev && now.st_ino == in.ino;
}

std::vector<pending> outputs;
std::vector<identity> inputs;

// The file a regular target names, links followed; the target itself otherwise.
std::string resolved(const std::string& target) {
  char real[PATH_MAX];
  return realpath(target.c_str(), real) != nullptr ? std::string(real) : target;
}

// Names of the system's device and process files (/dev/stdout, /proc/self/fd/1) stand
// for a stream that is already open, such as a redirection that appends to a log:
// they are written in place even when they lead to a regular file.
bool system_name(const std::string& target) {
  return target.compare(0, 5, "/dev/") == 0 || target.compare(0, 6, "/proc/") == 0;
}

// The mode a new file would get from the process's file-creation mask.
mode_t new_file_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

FILE* open_temporary(const std::string& file, const struct stat* existing, std::string& temp) {
  std::string pattern = file + ".tmp-XXXXXX";
  const int fd = mkstemp(&pattern[0]);
  if (fd < 0) return nullptr;
  fchmod(fd, existing != nullptr ? (existing->st_mode & 07777) : new_file_mode());
  FILE* fp = fdopen(fd, "w");
  if (fp == nullptr) {
    ::close(fd);
    unlink(pattern.c_str());
    return nullptr;
  }
  temp = pattern;
  return fp;
}

}  // namespace

namespace outputfile {

FILE* open(const std::string& target) {
  refuse_if_input(target);
  struct stat info;
  const bool exists = stat(target.c_str(), &info) == 0;
  std::string temp;
  FILE* fp = nullptr;
  if ((!exists || S_ISREG(info.st_mode)) && !system_name(target)) {
    const std::string file = exists ? resolved(target) : target;
    fp = open_temporary(file, exists ? &info : nullptr, temp);
    if (fp != nullptr) {
      outputs.push_back({fp, file, temp, false});
      return fp;
    }
  }
  // A stream already open elsewhere is appended to rather than emptied.
  fp = fopen(target.c_str(), exists && S_ISREG(info.st_mode) && !system_name(target) ? "w" : "a");
  if (fp != nullptr) outputs.push_back({fp, target, std::string(), false});
  return fp;
}

bool close(FILE* fp) {
  for (pending& out : outputs) {
    if (out.fp != fp || out.closed) continue;
    out.closed = true;
    out.fp = nullptr;
    const bool flushed = fflush(fp) == 0 && !ferror(fp);
    return fclose(fp) == 0 && flushed;
  }
  return false;
}

bool commit(std::string& failed) {
  std::vector<pending> waiting;
  for (pending& out : outputs) {
    if (!out.closed) {
      waiting.push_back(out);
      continue;
    }
    if (out.temp.empty()) continue;
    refuse_if_input(out.target);
    if (rename(out.temp.c_str(), out.target.c_str()) != 0) {
      failed = out.target;
      return false;
    }
    out.temp.clear();
  }
  outputs.swap(waiting);
  return true;
}

void discard_all() {
  for (pending& out : outputs) {
    if (out.fp != nullptr) fclose(out.fp);
    if (!out.temp.empty()) unlink(out.temp.c_str());
  }
  outputs.clear();
}

void refuse_if_input(const std::string& target) {
  struct stat info;
  if (stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  for (const identity& in : inputs)
    if (in.dev == info.st_dev && in.ino == info.st_ino && still_named(in))
      fatal("Output file [%s] is also an input of this run.", target.c_str());
}

void note_input(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  for (identity& in : inputs)
    if (in.dev == info.st_dev && in.ino == info.st_ino) {
      in.path = path;
      return;
    }
  inputs.push_back({info.st_dev, info.st_ino, path});
}

}  // namespace outputfile
