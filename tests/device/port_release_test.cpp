// A session whose process is asked to terminate gives its port back: the real
// port on a pseudo-terminal, in a child process that gets the signal.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

#include "device/port_link.h"
#include "serial/pause.h"
#include "serial/posix_serial_port.h"
#include "serial/termination_signals.h"
#include "tests/support/line_fixture.h"
#include "tests/support/lock_folder.h"

namespace intercom {
namespace {

using testing::LockFolder;
using testing::RecordingObserver;

// The device end of a pseudo-terminal; the test keeps a slave descriptor of
// its own, as a device driver would, so the tty outlives the child.
struct Pty {
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    name = ptsname(master);
    slave = open(name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  }
  ~Pty() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
  int master = -1;
  int slave = -1;
  std::string name;
};

// Runs a session that opens `port` and waits in its loop for a termination
// request, as the programs do. Returns the child's pid once the port is open.
pid_t StartSession(const std::string& lockFolder, const std::string& portName) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t child = fork();
  if (child != 0) {
    close(ready[1]);
    char opened = 0;
    const bool ok = read(ready[0], &opened, 1) == 1 && opened == 'y';
    close(ready[0]);
    return ok ? child : -1;
  }
  close(ready[0]);
  RecordingObserver observer;
  SessionState state;
  PosixSerialPort port(lockFolder);
  const Pause pause = SleepPause;
  const DeviceLine line{state, port, pause, observer, StandardCatalogue()};
  TerminationSignals termination;
  state.PortName = portName;
  OpenPort(line);
  const char opened = port.IsOpen() && termination.Installed() ? 'y' : 'n';
  if (write(ready[1], &opened, 1) != 1) _exit(3);
  for (;;) {
    pollfd entry{termination.ReadyDescriptor(), POLLIN, 0};
    const int ready = poll(&entry, 1, 10000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) _exit(4);
    if (ReleasePortOnTermination(line, termination) != 0) _exit(port.IsOpen() ? 5 : 0);
  }
}

TEST(PortRelease, TerminationSignalsCloseThePortAndEndNormally) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    LockFolder locks;
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    const pid_t child = StartSession(locks.Path(), pty.name);
    ASSERT_GT(child, 0) << "the session did not open the port";
    EXPECT_EQ(locks.Count(), 1);

    ASSERT_EQ(kill(child, signal), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by " << strsignal(WTERMSIG(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    EXPECT_EQ(locks.Count(), 0) << "lock file left behind";
    PosixSerialPort next(locks.Path());
    EXPECT_TRUE(next.Open(pty.name)) << "still exclusive: errno " << next.LastError();
  }
}

TEST(PortRelease, AStaleLockOfAKilledSessionIsTakenOver) {
  LockFolder locks;
  Pty pty;
  ASSERT_GE(pty.slave, 0);
  const pid_t child = StartSession(locks.Path(), pty.name);
  ASSERT_GT(child, 0);
  // SIGKILL cannot be caught: the lock file and the tty's exclusive flag stay.
  ASSERT_EQ(kill(child, SIGKILL), 0);
  waitpid(child, nullptr, 0);
  ASSERT_EQ(locks.Count(), 1);
  int fd = open(pty.name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd >= 0) close(fd);
  if (fd >= 0 || geteuid() == 0) {
    // Root passes TIOCEXCL; the lock file is all that stands in the way.
    PosixSerialPort next(locks.Path());
    EXPECT_TRUE(next.Open(pty.name)) << next.LastError();
    next.Close();
    EXPECT_EQ(locks.Count(), 0);
  }
}

}  // namespace
}  // namespace intercom
