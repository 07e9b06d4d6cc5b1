// Outputs that replace their target only once complete.
//
// Every file the run writes (the result stream when it is a file, the graph file, the
// native cache files, the exchange files) is written under a temporary name beside its
// target, "<target>.tmp-XXXXXX" in the same folder so that the rename stays on one file
// system, and renamed over the target by commit() once the writer has finished all of
// its files. Until then the target keeps its earlier contents byte for byte, and a run
// that ends on a fatal error removes its temporaries (fatal() calls discard_all()).
// A symbolic link is followed: the file it names is replaced and the link stays. A
// target that exists and is not a regular file (a terminal, /dev/null, a pipe) cannot be
// replaced and is written in place, as are names under /dev/ and /proc/ (/dev/stdout
// may lead to a file that a redirection appends to) and a target whose folder takes no
// new file.
// A temporary gets the mode of the file it replaces, or that of a new file.
//
// Input files are noted by identity (device and inode) as the run names them; an output
// whose target is one of them, under any name, is refused with "Output file [%s] is
// also an input of this run." when it is opened and again when it is committed.
#pragma once

#include <cstdio>
#include <string>

namespace outputfile {

// A stream for writing target's new contents; nullptr when it cannot be opened.
FILE* open(const std::string& target);
// Flushes and closes a stream of open(); false when anything written may be lost.
bool close(FILE* fp);
// Renames every closed output over its target, in the order they were opened. False at
// the first rename that fails, with that target in failed.
bool commit(std::string& failed);
// Closes and removes every output not yet committed.
void discard_all();

// Notes a file the run reads; a name that does not exist is ignored.
void note_input(const std::string& path);
// Ends the run with "Output file [%s] is also an input of this run." when target names
// a noted input, so that a writer that comes late in the run is refused before any work.
void refuse_if_input(const std::string& target);

}  // namespace outputfile
