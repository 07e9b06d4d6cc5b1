#include "export/ampl.hh"

#include "core/fail.hh"

void ampl::cplex_tw() { fatal("ampl is not built yet"); }
