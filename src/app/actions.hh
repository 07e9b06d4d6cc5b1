// The actions the option `algorithm` selects, one row each in one table (actions.cc):
// its number, the name the parameter listing shows, what it runs on the cleaned cache,
// and when to use it. The option's range check, the listing, --help and the driver's
// dispatch all read the table, so a new search is one row plus the files of the search
// itself.
#pragma once

#include "core/params.hh"
#include "io/io.hh"

struct action {
  int number;
  const char* name;
  // Runs the action on the cleaned cache; returns the exit code of the run.
  int (*run)(params& p, const io& d);
  // Writes the native cache from data: never reads an input cache in place of data.
  bool writescache = false;
  // A search: SIGINT and SIGTERM stop it like a time limit (core/stop.hh).
  bool search = false;
  // When to choose it, for --help.
  const char* advice = "";
};

// Every row, in number order.
const action* actions_begin();
const action* actions_end();

// The row of an algorithm number, nullptr when there is none.
const action* findaction(int number);
// The highest algorithm number.
int lastaction();
const char* algonum2name(int number);
