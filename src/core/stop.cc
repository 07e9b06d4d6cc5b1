#include "core/stop.hh"

#include <csignal>

namespace {

// Written by the signal handler, read by the search loops; sig_atomic_t is the type a
// handler may write.
volatile std::sig_atomic_t requested = 0;
bool noticed = false;

void on_signal(int) { requested = 1; }

}  // namespace

// SA_RESETHAND restores the default action when the handler runs: the second signal
// terminates the process, as without handlers.
void arm_stop_request() {
  struct sigaction action = {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool stop_requested() { return requested != 0; }

bool first_stop_notice() {
  if (requested == 0 || noticed) return false;
  noticed = true;
  return true;
}
