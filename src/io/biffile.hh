// The learnt network in the Bayesian Interchange Format (BIF), which bnlearn
// (read.bif), pgmpy (BIFReader) and pomegranate read:
//   network unknown {
//   }
//   variable <name> {                      one block per variable, in variable order
//     type discrete [ <r> ] { <state>, ... };
//   }
//   probability ( <child> ) {              a variable without parents
//     table <p0>, <p1>, ...;
//   }
//   probability ( <child> | <p1>, <p2> ) { parents in variable order
//     (<state of p1>, <state of p2>) <p0>, <p1>, ...;   one line per configuration
//   }
// The probabilities are those of the result's tables, written with 12 significant
// digits so that each row sums to 1 far within any reader's tolerance. Names are the
// variables' labels and state names (the state numbers for data in the native format);
// characters a BIF reader takes as syntax (blanks, , ; | ( ) [ ] { } ") become "_",
// and a name that would repeat gets a suffix "_2", "_3", ...
#pragma once

#include <string>
#include <vector>

#include "core/matrix.hh"

struct bifnetwork {
  std::vector<std::string> names;                // per variable
  std::vector<std::vector<std::string>> states;  // per variable; empty: numbers
  matrix<int> categ;                             // states per variable
  matrix<char> structure;                        // (child, parent) > 0 is an arc
  // tables[v][k * r + j]: theta(state j | configuration k) of v, configurations
  // numbered over the parents in variable order, the last parent turning fastest.
  std::vector<std::vector<double>> tables;
};

// Writes the network to the file name; a file that cannot be written ends the run with
// "Error writing network file [name]." and exit code 255.
void write_biffile(const std::string& name, const bifnetwork& net);
