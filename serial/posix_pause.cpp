#include "serial/pause.h"

#include <cerrno>
#include <ctime>

namespace intercom {

void SleepPause(int ms) {
  if (ms <= 0) return;
  timespec remaining{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace intercom
