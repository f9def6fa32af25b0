#include "serial/termination_signals.h"

namespace intercom {

// Windows has no signal for a write past a size limit: the write fails with an
// error code, which is what the POSIX version arranges.
void IgnoreFileSizeSignal() {}

// A write to a closed pipe fails with an error code on Windows already.
void IgnoreBrokenPipeSignal() {}

// Windows has no termination signals to turn into a descriptor; its programs
// meet Ctrl+C through the console's own handler. Never installed.
TerminationSignals::TerminationSignals() = default;
TerminationSignals::~TerminationSignals() = default;

int TerminationSignals::Take() {
  return 0;
}

}  // namespace intercom
