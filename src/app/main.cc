// bnsl: learns the structure of a Bayesian network from data or from a score file.
// One pass: options, input, score cache, clean-up, one action; the exit code says how
// the action ended.
#include <algorithm>
#include <cstdio>
#include <new>

#include "app/actions.hh"
#include "app/options.hh"
#include "core/fail.hh"
#include "core/log.hh"
#include "core/outputfile.hh"
#include "io/io.hh"
#include "scoring/buildmap.hh"

namespace {

void print_banner() {
  logtext(std::string("Structure learning software v") + params::versionnum + "\n" +
          "Learns Bayesian network structures from categorical data by exact and\n"
          "heuristic search over a cache of scored parent sets.\n"
          "\n");
}

// A cache-writing action builds its cache from data even when an input cache is named.
bool reads_input_cache(const params& par) {
  return par.cachefile != params::notdef && !findaction(par.algorithm)->writescache &&
         par.useinputcache;
}

// The result stream: standard output, or the named output file, which keeps its
// earlier contents until the run has written the whole result (core/outputfile.hh).
// The files the run is known to read are noted first, so that an output file naming
// one of them is refused before any work is done.
void open_output(params& par, const char* optionfile) {
  outputfile::note_input(optionfile);
  if (par.inputfile != params::notdef) outputfile::note_input(par.inputfile);
  if (reads_input_cache(par)) outputfile::note_input(par.cachefile);
  if (par.outputfile == params::notdef) return;
  par.outfile = outputfile::open(par.outputfile);
  if (!par.outfile) fatal("Error opening output file [%s].", par.outputfile.c_str());
}

// Puts the result file in place once the action has finished.
void close_output(params& par) {
  fflush(par.outfile);
  if (par.outputfile == params::notdef) return;
  std::string failed;
  if (!outputfile::close(par.outfile) || !outputfile::commit(failed))
    fatal("Error writing output file [%s].", par.outputfile.c_str());
  par.outfile = stdout;
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
  if (reads_input_cache(par)) {
    rec.readDORVcache(par);
  } else if (records > 0) {
    rec.cache = buildmap(rec, par, rec.logsearchspace, rec.cachesize);
  }
  if (rec.cache.empty()) fatal("Error reading cache - no input provided.");
}

int run(int argc, char** argv) {
  params par;
  io rec;
  print_banner();
  if (argc < 2) usage(argc > 0 ? argv[0] : "bnsl");
  readparams(par, argv[1]);
  printparams(par);
  open_output(par, argv[1]);

  const int records = load_input(par, rec);
  load_cache(par, rec, records);
  rec.vacuum(par);

  const int code = findaction(par.algorithm)->run(par, rec);
  close_output(par);
  return code;
}

}  // namespace

// Memory the machine refuses outside the searches that stop on it ends the run like
// any other resource error, with the earlier outputs left in place.
int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    fatal("Out of memory: the machine refused the memory this run needs.");
  }
}
