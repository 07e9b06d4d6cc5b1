// Reading the option file into params: one "key=value" line per option, keys compared
// in the order of the option table (options.cc), which one grep finds. The same table
// gives --help its option reference.
#pragma once

#include <string>
#include <vector>

#include "core/params.hh"

// Reads the option file at path, then the command-line settings ("key=value" words)
// in order, so that later settings override earlier ones. A key that names no option
// is warned about; a value its option cannot take ends the process with exit code 255,
// as do the other fatal errors. An unreadable file only warns and leaves the defaults.
void readparams(params& p, const char* path, const std::vector<std::string>& overrides = {});

// The branch-and-bound heuristics by number (0..7).
const char* heuristicnum2name(int number);

// One option as --help describes it.
struct optionhelp {
  const char* key;
  const char* type;
  const char* fallback;
  const char* meaning;
};
// Every option, in table order.
std::vector<optionhelp> option_reference();

// Writes the parameter listing to standard error.
void printparams(const params& p);
// Writes the usage text and ends the process with exit code -1.
[[noreturn]] void usage(const char* programname);
// Writes the reference of options, algorithms and exit codes to standard output.
void print_help(const char* programname);

// The swap-space file ".stxxl": created when asked for, read whenever it exists.
void opendisk(params& p);
// The disk-creation hook of the swap space: nothing to do.
int createdisk_main(int size, const char* name);
