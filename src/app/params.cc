#include "app/params.hh"

#include <cstdlib>

#include "core/fail.hh"

const char* const params::notdef = "not def";
const char* const params::versionnum = "100";

params::params() {}
void params::readparams(const char*) {}
void params::printparams() const {}
void params::usage(const char*) { exit(-1); }
void params::opendisk() {}
std::string params::numlimit(int) { return notdef; }
const char* params::algonum2name(int) { return notdef; }
const char* params::heuristicnum2name(int) { return notdef; }
std::string trim(char* s) { return s; }
int createdisk_main(int, const char*) { return 0; }
