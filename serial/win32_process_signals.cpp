#include "serial/process_signals.h"

namespace intercom {

// Windows has no signal for a write past a size limit: the write fails with an
// error code, which is what the POSIX version arranges.
void IgnoreFileSizeSignal() {}

}  // namespace intercom
