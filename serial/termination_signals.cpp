#include "serial/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace intercom {
namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = 3;

// A signal handler can reach nothing but process-wide state; this is the one
// place that has any. -1 while no TerminationSignals lives.
volatile sig_atomic_t gWriteEnd = -1;
// The dispositions found at installation, restored at the end.
struct sigaction gPrevious[kSignalCount];

void OnTerminationSignal(int signal) {
  const int savedErrno = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  // A full pipe already holds a pending request; the loop needs only one.
  [[maybe_unused]] const ssize_t n = write(gWriteEnd, &number, 1);
  errno = savedErrno;
}

}  // namespace

void IgnoreFileSizeSignal() {
  signal(SIGXFSZ, SIG_IGN);
}

void IgnoreBrokenPipeSignal() {
  signal(SIGPIPE, SIG_IGN);
}

TerminationSignals::TerminationSignals() {
  if (gWriteEnd >= 0) return;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  readEnd_ = ends[0];
  gWriteEnd = ends[1];

  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted waits resume: the loop deals with the request when the
  // current action is over.
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < kSignalCount; ++i) {
    sigaction(kTerminationSignals[i], nullptr, &gPrevious[i]);
    // A signal ignored by whoever started us (nohup, a background job) stays ignored.
    if (gPrevious[i].sa_handler == SIG_IGN) continue;
    sigaction(kTerminationSignals[i], &action, nullptr);
  }
}

TerminationSignals::~TerminationSignals() {
  if (readEnd_ < 0) return;
  for (int i = 0; i < kSignalCount; ++i) sigaction(kTerminationSignals[i], &gPrevious[i], nullptr);
  close(gWriteEnd);
  gWriteEnd = -1;
  close(readEnd_);
}

int TerminationSignals::Take() {
  if (readEnd_ < 0) return 0;
  int first = 0;
  unsigned char numbers[64];
  for (;;) {
    const ssize_t n = read(readEnd_, numbers, sizeof numbers);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (first == 0) first = numbers[0];
  }
  return first;
}

}  // namespace intercom
