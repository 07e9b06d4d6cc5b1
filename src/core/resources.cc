#include "core/resources.hh"

namespace resources {
double memkbs = 0.0;
int npl = 0;
}  // namespace resources
