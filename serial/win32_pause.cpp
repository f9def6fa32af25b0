#include <windows.h>

#include "serial/pause.h"

namespace intercom {

// Sleep keeps the thread off the message queue, which is what the pacing needs.
void SleepPause(int ms) {
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

}  // namespace intercom
