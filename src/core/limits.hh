// Size limits shared by the readers and the scoring code.
#pragma once

// The largest n for which an n x n table can be indexed by int (46340^2 < 2^31).
constexpr int max_square_side = 46340;

// The most cells a family's probability table may have (r * q).
constexpr double most_table_cells = 1e8;

// Ends the run: a family's table would have more than most_table_cells cells.
[[noreturn]] void table_too_large();
