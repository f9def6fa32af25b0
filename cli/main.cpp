// intercom-cli: configures intercom devices from scripts, without a screen.
// This entry owns the process: the real port, the real pause and the stop
// request; everything else is the portable core in cli/.
#include <csignal>
#include <iostream>
#include <memory>

#include "cli/command_line.h"
#include "serial/pause.h"
#include "serial/serial_port.h"
#include "serial/termination_signals.h"

namespace {

// Set by the signal handler, read between exchanges.
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void OnStop(int signal) {
  // A second Ctrl+C is for a user who will not wait: the default action ends
  // the process (the kernel closes the port).
  if (stopRequested != 0) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  stopRequested = 1;
}

}  // namespace

int main(int argc, char** argv) {
  intercom::IgnoreFileSizeSignal();
  // Ctrl+C and a polite kill finish the exchange under way and then stop.
  std::signal(SIGINT, OnStop);
  std::signal(SIGTERM, OnStop);
#ifdef SIGHUP
  std::signal(SIGHUP, OnStop);
#endif

  intercom::cli::Environment env{std::cout, std::cerr, intercom::MakeSerialPort,
                                 intercom::SleepPause, [] { return stopRequested != 0; }};
  return intercom::cli::RunCommandLine(argc, argv, env);
}
