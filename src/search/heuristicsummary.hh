// The run summary block that hill climbing and order guessing print after their score
// line: return code, cache figures, search-space sizes, memory and iteration figures,
// and the gap (always -1 for these searches, which prove nothing).
#pragma once

#include <cstdio>

class io;

// maxmem equals cachemem: these searches hold nothing sizeable beyond the cache.
void write_heuristic_summary(FILE* out, const io& d, int retcode, int iter);
