// Reader of the text form of the native score cache (layout in io/cachelayout.hh).
// The file fixes the number of variables by its first row, so it replaces the
// record's cache, numbers of states, allowance matrix and initial structure, and
// leaves a record without data records.
#pragma once

class io;
class params;

void read_text_cache(io& d, const params& p);
