// The network as a Graphviz DOT file, for looking at it as a picture (dot -Tpng):
//   // score <total score, six decimals>
//   digraph bn {
//     "label";            one line per variable, in variable order
//     "parent" -> "child";  one line per arc, children in variable order, then parents
//   }
// A variable without a label is named v<index>; quotes and backslashes in labels are
// escaped. The file replaces its target when the run commits its outputs, together with
// the result (core/outputfile.hh).
#pragma once

#include <string>
#include <vector>

#include "core/matrix.hh"

// structure(child, parent) > 0 is an arc; the diagonal is ignored. A file that cannot
// be written ends the run with "Error writing graph file [name]." and exit code 255.
void write_graphfile(const std::string& name, const std::vector<std::string>& labels,
                     const matrix<char>& structure, double total);
