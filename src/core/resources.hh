// Program-wide accounting of the memory held by matrices, bitmaps, cache-construction
// maps and open-list elements. Every accounted allocation adds its size in KB to
// memkbs and every release subtracts it; memory limits compare memkbs / 1024 with
// the option maxmem (MB). npl counts live open-list elements.
#pragma once

namespace resources {
extern double memkbs;
extern int npl;
}  // namespace resources
