// The result writer's view of the data: families counted and scored by a score object,
// with their probability tables (io::familytable).
#pragma once

#include "io/io.hh"

io::familytable familytables(const io& d, const params& p);
