// bnsl: learns the structure of a Bayesian network from data or from a score file.
// One pass: options, input, score cache, clean-up, one action; the exit code says how
// the action ended. `bnsl OPTIONFILE [option=value ...]` runs; `bnsl --help` writes the
// reference of options, algorithms and exit codes.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/actions.hh"
#include "app/options.hh"
#include "core/fail.hh"
#include "core/log.hh"
#include "core/outputfile.hh"
#include "core/stop.hh"
#include "io/io.hh"
#include "io/truegraph.hh"
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
  for (const std::string* input : {&par.inputfile, &par.constraintfile, &par.truegraph})
    if (*input != params::notdef) outputfile::note_input(*input);
  if (reads_input_cache(par)) outputfile::note_input(par.cachefile);
  for (const std::string* output : {&par.graphfile, &par.networkfile})
    if (*output != params::notdef) outputfile::refuse_if_input(*output);
  if (par.outputfile == params::notdef) return;
  par.outfile = outputfile::open(par.outputfile);
  if (!par.outfile) fatal("Error opening output file [%s].", par.outputfile.c_str());
}

// Puts the result file, the graph file and the network file in place together once the
// action has finished: a run that fails before then replaces none of them.
void close_output(params& par) {
  fflush(par.outfile);
  if (par.outputfile != params::notdef && !outputfile::close(par.outfile))
    fatal("Error writing output file [%s].", par.outputfile.c_str());
  par.outfile = stdout;
  std::string failed;
  if (!outputfile::commit(failed)) fatal("Error writing output file [%s].", failed.c_str());
}

// CSV data is named by inputformat=csv, or by the extension .csv unless inputformat
// says native.
bool csv_input(const params& par) {
  if (par.inputformat != params::notdef) return par.inputformat == "csv";
  const std::string& name = par.inputfile;
  if (name.size() < 4) return false;
  std::string extension = name.substr(name.size() - 4);
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".csv";
}

// Reads the data set (or a score file in its place) and the constraint file, and
// returns the number of data records loaded, -1 when no input file was named.
int load_input(params& par, io& rec) {
  if (par.inputfile == params::notdef) return -1;
  par.infile = fopen(par.inputfile.c_str(), "r");
  if (!par.infile) fatal("Error reading input file [%s].", par.inputfile.c_str());
  if (csv_input(par)) {
    rec.readcsv(par);
  } else {
    rec.readDORVinput(par);
    if (rec.nrecords <= 0) rec.readCussenscache(par);
  }
  const int records = rec.nrecords;
  fclose(par.infile);
  par.infile = stdin;
  if (par.constraintfile != params::notdef) rec.readconstraintfile(par);
  for (int i = 0; i < rec.n && i < rec.maxparents.size(); ++i)
    rec.maxparents[i] = std::min(rec.maxparents[i], par.globalmaxparents);
  return records;
}

// The true graph is read, and a network file checked for its data, before the search.
void load_comparison(const params& par, io& rec) {
  if (par.networkfile != params::notdef && rec.nrecords <= 0)
    fatal(
        "Option networkfile needs a data set: the network's probability tables are counted from "
        "it.");
  if (par.truegraph == params::notdef) return;
  std::vector<std::string> names = rec.labels;
  names.resize(size_t(std::max(rec.n, 0)));
  rec.truestructure = read_truegraph(par.truegraph, names);
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
  const char* program = argc > 0 ? argv[0] : "bnsl";
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    print_help(program);
    return exitcode::success;
  }
  params par;
  io rec;
  print_banner();
  if (argc < 2) usage(program);
  readparams(par, argv[1], std::vector<std::string>(argv + 2, argv + argc));
  printparams(par);
  open_output(par, argv[1]);

  const int records = load_input(par, rec);
  load_cache(par, rec, records);
  load_comparison(par, rec);
  // A job that builds one variable's list for a cache assembled later cleans that one.
  const bool job = par.node >= 0 && par.node < rec.n && findaction(par.algorithm)->writescache;
  rec.vacuum(par, job ? par.node : -1);

  const action* chosen = findaction(par.algorithm);
  if (chosen->search) arm_stop_request();
  const int code = chosen->run(par, rec);
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
