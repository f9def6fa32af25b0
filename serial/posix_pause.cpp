#include "serial/pause.h"

#include <cerrno>
#include <ctime>

namespace intercom {

void SleepPause(int ms) {
  if (ms <= 0) return;
  // An absolute deadline: a signal that interrupts the sleep neither restarts
  // it in full nor adds the time its handler took.
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += ms / 1000;
  deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}

}  // namespace intercom
