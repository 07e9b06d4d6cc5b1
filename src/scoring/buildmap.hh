// buildmap: computes the score cache from the data set, level by level from each
// variable's mandatory parents, with the BDeu bound rules, the BIC/AIC subset rule, the
// structural constraints and the memory limit. Returns one list per variable, ascending
// by score (best last); logsearchspace and cachesize receive the cache's figures.
#pragma once

#include <vector>

#include "core/bitmap.hh"

class io;
class params;

std::vector<parentsetlist> buildmap(const io& d, const params& p, double& logsearchspace,
                                    int& cachesize);
