// bnsl: learns the structure of a Bayesian network from data or from a score file.
// One pass: options, input, score cache, clean-up, one action; the exit code says how
// the action ended.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/actions.hh"
#include "app/options.hh"
#include "core/fail.hh"
#include "core/log.hh"
#include "core/text.hh"
#include "io/io.hh"
#include "scoring/buildmap.hh"

namespace {

void print_banner() {
  logtext(std::string("Structure learning software v") + params::versionnum + "\n" +
          "Learns Bayesian network structures from categorical data by exact and\n"
          "heuristic search over a cache of scored parent sets.\n"
          "\n");
}

// The result stream: the named output file, emptied now, or standard output.
void open_output(params& par) {
  if (par.outputfile == params::notdef) return;
  par.outfile = fopen(par.outputfile.c_str(), "w");
  if (!par.outfile) fatal("Error opening output file [%s].", par.outputfile.c_str());
}

// Reads the data set (or a score file in its place) and returns the number of data
// records loaded, -1 when no input file was named.
int load_input(params& par, io& rec) {
  if (par.inputfile == params::notdef) return -1;
  par.infile = fopen(par.inputfile.c_str(), "r");
  if (!par.infile) fatal("Error reading input file [%s].", par.inputfile.c_str());
  rec.readDORVinput(par);
  const int records = rec.nrecords;
  if (records <= 0) rec.readCussenscache(par);
  fclose(par.infile);
  par.infile = stdin;
  for (int i = 0; i < rec.n && i < rec.maxparents.size(); ++i)
    rec.maxparents[i] = std::min(rec.maxparents[i], par.globalmaxparents);
  return records;
}

void load_cache(const params& par, io& rec, int records) {
  if (par.cachefile != params::notdef && !findaction(par.algorithm)->writescache &&
      par.useinputcache) {
    rec.readDORVcache(par);
  } else if (records > 0) {
    rec.cache = buildmap(rec, par, rec.logsearchspace, rec.cachesize);
  }
  if (rec.cache.empty()) fatal("Error reading cache - no input provided.");
}

// Arguments after the option file, "key=value" each, apply after the file's lines, so
// that scripts can run one file with a different node or cache name per job.
void apply_overrides(params& par, int argc, char** argv) {
  for (int k = 2; k < argc; ++k) {
    const char* equals = std::strchr(argv[k], '=');
    if (equals == nullptr) fatal("argument [%s] is not of the form option=value", argv[k]);
    std::string key(argv[k], size_t(equals - argv[k]));
    std::string raw(equals + 1);
    apply_option(par, trim(key.data()), trim(raw.data()), equals + 1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  params par;
  io rec;
  print_banner();
  if (argc < 2) usage(argc > 0 ? argv[0] : "bnsl");
  readparams(par, argv[1]);
  apply_overrides(par, argc, argv);
  printparams(par);
  open_output(par);

  const int records = load_input(par, rec);
  load_cache(par, rec, records);
  // A job that builds one variable's list for a cache assembled later cleans that one.
  const bool job = par.node >= 0 && par.node < rec.n && findaction(par.algorithm)->writescache;
  rec.vacuum(par, job ? par.node : -1);

  const int code = findaction(par.algorithm)->run(par, rec);
  fflush(par.outfile);
  return code;
}
