// The record section of a data set: the reader's worker for the observations and the
// numbers of states derived from them.
#pragma once

class io;
class params;
class textreader;

// Reads `records` records of d.n entries into d.data and d.weights and sets d.categ.
// d.data may hold fewer rows than `records` on entry (its size is capped by what the
// file can hold); it grows as records arrive and ends with exactly `records` rows.
void read_records(io& d, textreader& in, int records);

// At verbose >= 1: the numbers of states, of variables and of records, one line each.
void print_data_summary(const io& d, const params& p);
