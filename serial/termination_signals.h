// How the process meets the signals that would otherwise end it abruptly.
// The programs' entries set these up once, before the session starts.
#pragma once

namespace intercom {

// Lets a write past the file-size limit fail with EFBIG instead of killing
// the process (SIGXFSZ), so a settings file that cannot be written is
// reported like any other write failure.
void IgnoreFileSizeSignal();

// Lets a write to a pipe nobody reads any more fail with EPIPE instead of
// killing the process (SIGPIPE), so `intercom-cli read | head -c 1` ends
// with its own report and exit code. Nothing to do on Windows.
void IgnoreBrokenPipeSignal();

// Turns the requests to terminate (SIGTERM, SIGINT, SIGHUP) into an event the
// program's loop picks up: the handler only records the signal and makes
// ReadyDescriptor() readable. The loop then closes the port (which clears its
// exclusive use and removes its lock file) and ends the program normally.
// One instance at a time per process; the destructor restores the default
// dispositions. On Windows it is never installed.
class TerminationSignals {
 public:
  TerminationSignals();
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // False when the handlers could not be installed (another instance lives).
  bool Installed() const { return readEnd_ >= 0; }
  // Becomes readable when a termination signal has arrived; -1 when not
  // installed. For poll() or an event loop's descriptor watcher (a poll()
  // that the signal interrupts fails with EINTR: poll again).
  int ReadyDescriptor() const { return readEnd_; }
  // The signal that arrived first since the last call (SIGTERM, ...), or 0
  // when none has; never blocks. Drains the descriptor.
  int Take();

 private:
  int readEnd_ = -1;
};

}  // namespace intercom
