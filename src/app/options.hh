// Reading the option file into params: one "key=value" line per option, keys compared
// in the order of the option table (options.cc), which one grep finds.
#pragma once

#include <string>

#include "core/params.hh"

// Reads the option file at path. Fatal errors end the process with exit code 255; an
// unreadable file only warns and leaves the defaults.
void readparams(params& p, const char* path);

// Applies the option named key. value is the trimmed text after "=", raw the text
// after "=" as read (numeric options parse raw). A key that names no option is ignored.
void apply_option(params& p, const std::string& key, const std::string& value, const char* raw);

// The branch-and-bound heuristics by number (0..7).
const char* heuristicnum2name(int number);

// Writes the parameter listing to standard error.
void printparams(const params& p);
// Writes the usage text and ends the process with exit code -1.
[[noreturn]] void usage(const char* programname);

// The swap-space file ".stxxl": created when asked for, read whenever it exists.
void opendisk(params& p);
// The disk-creation hook of the swap space: nothing to do.
int createdisk_main(int size, const char* name);
