// A request to stop the running search, raised from outside by SIGINT (Ctrl-C) or
// SIGTERM. The driver arms the handlers just before a search starts; every search loop
// tests stop_requested() where it tests its time limit and then ends the same way,
// writing its best network and its bound, with the status searchstatus::interrupted.
// The handler only sets a flag and restores the default action, so a second signal
// ends the process at once.
#pragma once

// Installs the handlers of SIGINT and SIGTERM.
void arm_stop_request();
// Whether a stop was requested since the handlers were armed: one load of a flag,
// cheap enough for every iteration of a loop.
bool stop_requested();
// True exactly once after a stop was requested, so that nested searches that all see
// the request report it once.
bool first_stop_notice();
