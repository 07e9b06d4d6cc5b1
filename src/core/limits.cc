#include "core/limits.hh"

#include "core/fail.hh"

void table_too_large() {
  fatalerror("function loglik/bdeu wants more than 100M parameters for a single CPT -- I'm "
             "giving up\n");
}
