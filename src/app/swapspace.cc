// The swap-space configuration: a one-line file ".stxxl" in the working directory,
//   disk=<name>,<size in MB>,syscall
// in the disk-configuration format of the stxxl external-memory library. The system
// has no external-memory code of its own: it writes the file when asked for swap
// space, reads it back whenever it exists, and counts its size as extra memory.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/options.hh"
#include "core/fail.hh"
#include "core/log.hh"
#include "core/text.hh"

namespace {

constexpr const char* swap_file = ".stxxl";

bool file_exists(const char* name) {
  FILE* f = fopen(name, "r");
  if (!f) return false;
  fclose(f);
  return true;
}

void create_swap_file(params& p) {
  if (p.verbose > 1) logline(loglevel::info, "Creating swap space on disk");
  if (file_exists(swap_file))
    fatal("File .stxxl already exists. Either remove it or restrain from using options "
          "diskpace/diskspacename");
  FILE* f = fopen(swap_file, "w");
  if (!f) fatal("Failed to create file .stxxl");
  fprintf(f, "disk=%s,%d,syscall", p.diskspacename.c_str(), p.diskspace);
  fclose(f);
  // The line is written in two pieces, around the creation.
  if (p.verbose > 0)
    logtext(format("building disk swap space of size %dmb at %s...", p.diskspace,
                   p.diskspacename.c_str()));
  createdisk_main(p.diskspace, p.diskspacename.c_str());
  // Saturates: the unlimited default plus a large swap space stays within int.
  p.maxmem = p.diskspace > INT_MAX - p.maxmem ? INT_MAX : p.maxmem + p.diskspace;
  if (p.verbose > 0) logtext("done.\n");
}

// The name becomes the whole first field ("disk=" included), the size the second.
void read_swap_file(params& p) {
  if (p.verbose > 1) logline(loglevel::info, "Opening swap space on disk");
  FILE* f = fopen(swap_file, "r");
  if (!f) return;
  char line[10000] = "";
  if (!fgets(line, sizeof line, f)) line[0] = '\0';
  fclose(f);
  char* comma = std::strchr(line, ',');
  if (comma) *comma = '\0';
  p.diskspacename = trim(line);
  const long size = comma ? strtol(comma + 1, nullptr, 10) : 0;
  if (size <= 0) fatal("File .stxxl is invalid");
  p.diskspace = size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

}  // namespace

void opendisk(params& p) {
  if (p.diskspace > 0 && !p.diskspacename.empty()) create_swap_file(p);
  if (file_exists(swap_file)) read_swap_file(p);
}

int createdisk_main(int, const char*) { return 0; }
