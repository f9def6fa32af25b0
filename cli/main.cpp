// intercom-cli: configures intercom devices from scripts, without a screen.
// This entry owns the process: the real port, the real pause, the standard
// streams and the stop request; everything else is the portable core in cli/.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "cli/command_line.h"
#include "cli/exit_codes.h"
#include "serial/console_output.h"
#include "serial/pause.h"
#include "serial/serial_port.h"
#include "serial/termination_signals.h"

namespace {

// The first stop request's signal, 0 before one: a signal handler can reach
// nothing but process-wide state. Polled between exchanges, and read at the
// end for the exit code.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStop(int signal) {
  // A second request is from a user who will not wait for the exchange under
  // way: the port goes back as it was found, and the process ends as the
  // signal would have ended it, without unwinding.
  if (stopSignal != 0) {
    intercom::ReleaseOpenPortForExit();
    std::_Exit(128 + signal);
  }
  stopSignal = signal;
  // Windows resets the handler before calling it.
  std::signal(signal, OnStop);
}

// A signal that whoever started the program ignores (nohup, a background
// job) stays ignored.
void CatchStop(int signal) {
  if (std::signal(signal, OnStop) == SIG_IGN) std::signal(signal, SIG_IGN);
}

// Output is buffered up to the end: a reader that went away shows only now.
bool FlushStandardOutput() {
  std::cout.flush();
  return std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout.good();
}

}  // namespace

int main(int argc, char** argv) {
  intercom::IgnoreFileSizeSignal();
  intercom::IgnoreBrokenPipeSignal();
  const intercom::Utf8StandardOutput output;
  // Ctrl+C and a polite kill finish the exchange under way and then stop.
  CatchStop(SIGINT);
  CatchStop(SIGTERM);
#ifdef SIGHUP
  CatchStop(SIGHUP);
#endif

  intercom::cli::Environment env{std::cout, std::cerr, intercom::MakeSerialPort,
                                 intercom::SleepPause, [] { return stopSignal != 0; }};
  int code = intercom::cli::RunCommandLine(argc, argv, env);
  // The commands know a stop only as Ctrl+C; the shell's convention names
  // the signal that came.
  if (code == intercom::cli::kExitInterrupted && stopSignal != 0) code = 128 + stopSignal;
  if (!FlushStandardOutput()) {
    std::cerr << "error: standard output could not be written\n";
    if (code == intercom::cli::kExitDone) code = intercom::cli::kExitUsage;
  }
  return code;
}
