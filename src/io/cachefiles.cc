#include "core/fail.hh"
#include "io/io.hh"

void io::writeDORVcache(const params&, const matrix<char>&) const {
  fatal("writeDORVcache is not built yet");
}
void io::readDORVcache(const params&) { fatal("readDORVcache is not built yet"); }
