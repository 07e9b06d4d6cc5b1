// bnsl --help: the reference of every option, algorithm and exit code, generated from
// the option table, the action table and the exit codes, so that it cannot drift from
// what the program does.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/actions.hh"
#include "app/options.hh"
#include "core/status.hh"
#include "core/text.hh"

namespace {

struct codehelp {
  int code;
  const char* meaning;
};

const codehelp exit_codes[] = {
    {exitcode::success,
     "the search ran to its end (an exact search proved its network optimal), or a writer "
     "finished"},
    {searchstatus::unproved,
     "branch-and-bound ran to its end, its first network not from hill climbing (the shell "
     "sees 255); also: no option file named, the usage text was written"},
    {searchstatus::iteration_limit,
     "branch-and-bound or branch-and-cut reached maxiter; order guessing: a network beat "
     "the start"},
    {searchstatus::gap_reached, "branch-and-bound or branch-and-cut reached mingap or abstarget"},
    {searchstatus::time_limit,
     "branch-and-bound, branch-and-cut or order guessing (with a network) reached "
     "maxminutes"},
    {searchstatus::not_beaten,
     "added by branch-and-bound and branch-and-cut when no network beats initialbest (9, "
     "10, 13, 15, 16, 24, 28)"},
    {searchstatus::heuristic_iteration_limit,
     "hill climbing reached maxiter; order guessing found no network"},
    {searchstatus::memory_limit,
     "memory limit (maxmem) reached, or memory refused; branch-and-cut: also a failure of "
     "the LP engine"},
    {searchstatus::heuristic_time_limit,
     "hill climbing, dynamic programming or order guessing without a network reached maxminutes"},
    {searchstatus::no_move, "hill climbing made no move"},
    {searchstatus::interrupted,
     "stopped by Ctrl-C (SIGINT) or SIGTERM, like at a time limit: the best network so far "
     "and the bound were written; a second Ctrl-C ends the run at once"},
    {exitcode::node_too_large, "a branch-and-bound node needs more than 2048 words"},
    {exitcode::fatal, "an input or option error, with its message on standard error"},
};

// The text in lines of at most 78 characters, indented by 6; the first line starts
// with `first` (6 characters) in place of the indent.
void paragraph(const std::string& text, const std::string& first = "      ") {
  const size_t width = 72;
  size_t start = 0;
  std::string indent = first;
  while (start < text.size()) {
    size_t end = std::min(text.size(), start + width);
    if (end < text.size()) {
      const size_t blank = text.rfind(' ', end);
      if (blank != std::string::npos && blank > start) end = blank;
    }
    printf("%s%s\n", indent.c_str(), text.substr(start, end - start).c_str());
    indent = "      ";
    start = end;
    while (start < text.size() && text[start] == ' ') ++start;
  }
}

}  // namespace

void print_help(const char* programname) {
  const char* slash = std::strrchr(programname, '/');
  if (slash != nullptr) programname = slash + 1;
  printf(
      "Usage: %s OPTIONFILE [option=value ...]\n"
      "       %s --help\n\n"
      "Learns the structure of a Bayesian network from categorical data (native format or\n"
      "CSV) or from a file of local scores. The option file holds one option=value per\n"
      "line; a line starting with # is a comment. Settings given after the file name\n"
      "override the file's, in order. A switch takes true or false (or 1 and 0).\n"
      "docs/guide.md walks through a first run.\n\n"
      "Options (type; default):\n",
      programname, programname);
  for (const optionhelp& o : option_reference()) {
    printf("  %s (%s; %s)\n", o.key, o.type, o.fallback);
    paragraph(o.meaning);
  }
  printf("\nAlgorithms (algorithm=N):\n");
  for (const action* a = actions_begin(); a != actions_end(); ++a) {
    printf("  %d  %s\n", a->number, a->name);
    paragraph(a->advice);
  }
  printf("\nExit codes:\n");
  for (const codehelp& c : exit_codes) paragraph(c.meaning, format("  %-4d", c.code));
}
