// PosixSerialPort on real pseudo-terminals: the test holds the master end as
// the device and a slave descriptor of its own to look at the tty's settings.
#include "serial/posix_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/lock_folder.h"

namespace {

using Port = intercom::PosixSerialPort;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long MsSince(Clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count());
}

// A pseudo-terminal pair. The test's own slave descriptor keeps the tty alive
// while ports open and close on it.
class Pty {
 public:
  Pty() = default;
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  ~Pty() {
    CloseMaster();
    if (slave_ >= 0) close(slave_);
  }

  // False if the system gives no pseudo-terminal.
  bool Create() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return false;
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) return false;
    name_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    return slave_ >= 0;
  }

  const std::string& Name() const { return name_; }

  termios Settings() const {
    termios tio{};
    EXPECT_EQ(tcgetattr(slave_, &tio), 0);
    return tio;
  }
  void Apply(const termios& tio) { ASSERT_EQ(tcsetattr(slave_, TCSANOW, &tio), 0); }

  void Send(const Bytes& bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // What the port sent, up to `count` bytes or until `waitMs` has passed.
  Bytes Receive(size_t count, int waitMs) {
    Bytes bytes;
    const auto deadline = Clock::now() + milliseconds(waitMs);
    while (bytes.size() < count) {
      const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
      pollfd entry{master_, POLLIN, 0};
      if (left <= 0 || poll(&entry, 1, static_cast<int>(left)) <= 0) break;
      uint8_t buffer[256];
      const ssize_t n = read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
      if (n <= 0) break;
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
  }

  // 1 while the tty is in exclusive use (TIOCEXCL), else 0.
  int Exclusive() const {
    int exclusive = -1;
    EXPECT_EQ(ioctl(slave_, TIOCGEXCL, &exclusive), 0);
    return exclusive;
  }

  // Bytes waiting on the port's side, not yet read.
  int Pending() const {
    int count = 0;
    EXPECT_EQ(ioctl(slave_, TIOCINQ, &count), 0);
    return count;
  }

  // The device goes away: every descriptor of the slave is hung up.
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string name_;
};

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = testing::TempDir() + "posix_serial_port_test.XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

pid_t LockHolderPid(const std::string& path) {
  std::ifstream in(path);
  long pid = 0;
  in >> pid;
  return static_cast<pid_t>(pid);
}

std::string Contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PosixSerialPort : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pty_.Create()) << "no pseudo-terminal: " << errno; }

  void OpenPort() { ASSERT_TRUE(port_.Open(pty_.Name())) << port_.LastError(); }

  void SetTimeouts(uint32_t interval, uint32_t readConstant) {
    intercom::CommTimeouts timeouts = Port::kDefaultTimeouts;
    timeouts.ReadIntervalTimeout = interval;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = readConstant;
    ASSERT_TRUE(port_.SetTimeouts(timeouts));
  }

  intercom::testing::LockFolder locks_;
  Pty pty_;
  Port port_{locks_.Path()};
};

// --- Opening ---

TEST_F(PosixSerialPort, OpenSwitchesTheTtyToRawAndKeepsHardwareFlowControl) {
  termios preset = pty_.Settings();
  preset.c_iflag |= IXON | IXOFF;
  preset.c_iflag &= ~static_cast<tcflag_t>(IXANY);
  preset.c_cflag |= CRTSCTS | HUPCL;
  pty_.Apply(preset);

  OpenPort();

  const termios tio = pty_.Settings();
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ECHOE | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK | INPCK), 0u);
  EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(tio.c_cc[VMIN], 0);
  EXPECT_EQ(tio.c_cc[VTIME], 0);
  // Software flow control would eat 0x11 and 0x13 out of binary replies.
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY), 0u);
  EXPECT_EQ(tio.c_cflag & (CRTSCTS | HUPCL), static_cast<tcflag_t>(CRTSCTS | HUPCL));

  intercom::LineState state;
  ASSERT_TRUE(port_.GetState(state));
  const uint32_t flowBits = Port::kRtsCtsFlow | Port::kXonXoffOutput | Port::kXonXoffInput |
                            Port::kRestartAny | Port::kHangUpOnClose;
  EXPECT_EQ(state.Flags & flowBits, Port::kRtsCtsFlow | Port::kHangUpOnClose);
}

TEST_F(PosixSerialPort, SecondOpenOfTheSamePortFails) {
  OpenPort();
  Port second{locks_.Path()};
  EXPECT_FALSE(second.Open(pty_.Name()));
  EXPECT_EQ(second.LastError(), static_cast<uint32_t>(EBUSY)) << "the lock file refuses first";
  EXPECT_FALSE(second.IsOpen());
  Port unlocked{""};
  EXPECT_FALSE(unlocked.Open(pty_.Name()));
  EXPECT_EQ(unlocked.LastError(), static_cast<uint32_t>(EWOULDBLOCK));

  port_.Close();
  EXPECT_TRUE(second.Open(pty_.Name())) << second.LastError();
}

TEST_F(PosixSerialPort, OpenReleasesThePreviousPort) {
  Pty other;
  ASSERT_TRUE(other.Create());
  OpenPort();
  ASSERT_TRUE(port_.Open(other.Name()));

  Port second{locks_.Path()};
  EXPECT_TRUE(second.Open(pty_.Name())) << second.LastError();
}

TEST_F(PosixSerialPort, FailedOpenLeavesNoPortOpen) {
  OpenPort();
  EXPECT_FALSE(port_.Open("/nonexistent/ttyUSB0"));
  EXPECT_EQ(port_.LastError(), static_cast<uint32_t>(ENOENT));
  EXPECT_FALSE(port_.IsOpen());

  Port second{locks_.Path()};
  EXPECT_TRUE(second.Open(pty_.Name())) << second.LastError();
}

TEST_F(PosixSerialPort, OnlyTerminalDevicesOpen) {
  ScratchDir dir;
  ASSERT_FALSE(dir.Path().empty());
  const auto file = dir.Path() / "settings.bin";
  const std::string original("\x01\x02 not a port\n", 15);
  std::ofstream(file, std::ios::binary) << original;
  const auto fifo = dir.Path() / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  const struct {
    std::string name;
    uint32_t error;
  } cases[] = {
      {file.string(), ENOTTY},
      {fifo.string(), ENOTTY},
      {"/dev/null", ENOTTY},
      {dir.Path().string(), EISDIR},
      {(dir.Path() / "missing").string(), ENOENT},
  };
  for (const auto& entry : cases) {
    Port port{locks_.Path()};
    EXPECT_FALSE(port.Open(entry.name)) << entry.name;
    EXPECT_EQ(port.LastError(), entry.error) << entry.name;
    EXPECT_FALSE(port.IsOpen()) << entry.name;
  }
  EXPECT_EQ(Contents(file), original);
}

// --- Terminals that are no serial line ---

// Runs `check` in a child that has `pty` as its controlling terminal; the
// child's exit status is the result.
int InOwnSession(const Pty& pty, const std::function<int()>& check) {
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    const int fd = open(pty.Name().c_str(), O_RDWR);  // no O_NOCTTY: becomes ours
    if (fd < 0 || ioctl(fd, TIOCSCTTY, 0) != 0) _exit(100);
    _exit(check());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200 + WTERMSIG(status);
}

TEST_F(PosixSerialPort, TheOwnTerminalAndTheConsolesAreRefusedLikeAMissingPort) {
  Pty controlling;
  ASSERT_TRUE(controlling.Create());
  const termios before = controlling.Settings();
  const std::string lockFolder = locks_.Path();
  const std::string other = pty_.Name();
  const int result = InOwnSession(controlling, [&] {
    Port port(lockFolder);
    if (port.Open("/dev/tty") || port.LastError() != ENODEV) return 1;
    if (port.Open(controlling.Name()) || port.LastError() != ENODEV) return 2;
    if (!port.Open(other)) return 3;  // any other pseudo-terminal still opens
    return 0;
  });
  EXPECT_EQ(result, 0) << "1: /dev/tty opened, 2: own terminal opened, 3: pty refused";
  const termios after = controlling.Settings();
  EXPECT_EQ(after.c_lflag, before.c_lflag) << "the terminal was left changed";

  for (const char* console : {"/dev/console", "/dev/tty0", "/dev/tty1"}) {
    Port port(locks_.Path());
    EXPECT_FALSE(port.Open(console)) << console;
  }
  EXPECT_EQ(locks_.Count(), 0);
}

// --- Lock files ---

std::string LockPathOf(const std::string& folder, const std::string& ptyName) {
  std::string name = ptyName.substr(5);  // after "/dev/"
  std::replace(name.begin(), name.end(), '/', '_');
  return folder + "/LCK.." + name;
}

void WriteLock(const std::string& path, pid_t pid) {
  std::ofstream(path) << std::setw(10) << pid << "\n";
}

TEST_F(PosixSerialPort, AnOpenPortHoldsALockFileWithItsPidUntilClosed) {
  const std::string lock = LockPathOf(locks_.Path(), pty_.Name());
  OpenPort();
  std::ostringstream expected;
  expected << std::setw(10) << getpid() << "\n";
  EXPECT_EQ(Contents(lock), expected.str());
  port_.Close();
  EXPECT_FALSE(std::filesystem::exists(lock));
  EXPECT_EQ(locks_.Count(), 0);
}

TEST_F(PosixSerialPort, ALiveLockFileRefusesThePortAndAStaleOneIsTakenOver) {
  const std::string lock = LockPathOf(locks_.Path(), pty_.Name());
  WriteLock(lock, getppid());  // a process that surely lives
  EXPECT_FALSE(port_.Open(pty_.Name()));
  EXPECT_EQ(port_.LastError(), static_cast<uint32_t>(EBUSY));
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(LockHolderPid(lock), getppid()) << "another's lock file is left alone";
  // Refused before it was touched: a second opener is still free to take it.
  int probe = open(pty_.Name().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  EXPECT_GE(probe, 0) << "the refused open left the tty exclusive";
  if (probe >= 0) close(probe);

  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  WriteLock(lock, gone);
  OpenPort();
  EXPECT_EQ(LockHolderPid(lock), getpid());
  port_.Close();
  EXPECT_EQ(locks_.Count(), 0);
}

// A live process of a known name to hold lock files: a child that names
// itself and waits to be killed.
class LockHolderProcess {
 public:
  static constexpr const char* kName = "intercom-holder";

  LockHolderProcess() {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_NAME, kName);
      [[maybe_unused]] const ssize_t n = write(ready[1], "x", 1);
      for (;;) pause();
    }
    close(ready[1]);
    char byte = 0;
    if (pid_ < 0 || read(ready[0], &byte, 1) != 1) pid_ = -1;
    close(ready[0]);
  }
  ~LockHolderProcess() { End(); }
  LockHolderProcess(const LockHolderProcess&) = delete;
  LockHolderProcess& operator=(const LockHolderProcess&) = delete;

  // -1 when it did not start.
  pid_t Pid() const { return pid_; }
  // Afterwards its PID names a process that is gone.
  void End() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
};

// The 4-byte form of older tools: the PID as a native integer.
void WriteBinaryLock(const std::string& path, pid_t pid) {
  const int32_t value = pid;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(&value), sizeof value);
}

// The ASCII form some tools write with their name after the PID.
void WriteNamedLock(const std::string& path, pid_t pid) {
  std::ofstream(path) << std::setw(10) << pid << " minicom\n";
}

TEST_F(PosixSerialPort, ALockFileInAnyFormRefusesWhileItsProcessLivesAndIsTakenOverAfter) {
  const std::string lock = LockPathOf(locks_.Path(), pty_.Name());
  const struct {
    const char* form;
    void (*write)(const std::string&, pid_t);
  } forms[] = {
      {"ascii", WriteLock}, {"binary", WriteBinaryLock}, {"ascii and name", WriteNamedLock}};
  for (const auto& form : forms) {
    SCOPED_TRACE(form.form);
    LockHolderProcess holder;
    ASSERT_GT(holder.Pid(), 0);
    form.write(lock, holder.Pid());
    EXPECT_FALSE(port_.Open(pty_.Name()));
    EXPECT_EQ(port_.LastError(), static_cast<uint32_t>(EBUSY));

    holder.End();
    form.write(lock, holder.Pid());
    OpenPort();
    EXPECT_EQ(LockHolderPid(lock), getpid());
    port_.Close();
    EXPECT_EQ(locks_.Count(), 0);
  }
}

TEST_F(PosixSerialPort, ALockFileThatChangedHandsIsLeftToItsNewHolder) {
  const std::string lock = LockPathOf(locks_.Path(), pty_.Name());
  OpenPort();
  // Another tool took it for stale and wrote its own, in the older form.
  std::filesystem::remove(lock);
  WriteBinaryLock(lock, getppid());

  intercom::ReleaseOpenPortForExit();
  EXPECT_EQ(Contents(lock).size(), 4u) << "the release for exit removed another's lock file";
  port_.Close();
  ASSERT_TRUE(std::filesystem::exists(lock)) << "Close removed another's lock file";
  int32_t holder = 0;
  std::memcpy(&holder, Contents(lock).data(), sizeof holder);
  EXPECT_EQ(holder, getppid());
}

TEST_F(PosixSerialPort, LastErrorTextNamesTheLiveLockHolderOrSaysTheSystemsText) {
  EXPECT_FALSE(port_.Open("/nonexistent/ttyUSB0"));
  EXPECT_EQ(port_.LastErrorText(), "No such file or directory");

  LockHolderProcess holder;
  ASSERT_GT(holder.Pid(), 0);
  WriteLock(LockPathOf(locks_.Path(), pty_.Name()), holder.Pid());
  EXPECT_FALSE(port_.Open(pty_.Name()));
  EXPECT_EQ(port_.LastErrorText(), "locked by process " + std::to_string(holder.Pid()) + " (" +
                                       LockHolderProcess::kName + ")");

  // Another failure has its own text, not the last holder's.
  EXPECT_FALSE(port_.Open("/dev/null"));
  EXPECT_EQ(port_.LastErrorText(), "Inappropriate ioctl for device");
}

TEST_F(PosixSerialPort, ALockFileThatNamesNoProcessIsNamedAndLeftAlone) {
  const std::string lock = LockPathOf(locks_.Path(), pty_.Name());
  for (const std::string content : {"123abc\n", "", "pid=4242\n", "  0\n"}) {
    SCOPED_TRACE("lock file holding \"" + content + "\"");
    std::ofstream(lock, std::ios::binary) << content;

    EXPECT_FALSE(port_.Open(pty_.Name()));
    EXPECT_EQ(port_.LastError(), static_cast<uint32_t>(EBUSY));
    const std::string text = port_.LastErrorText();
    EXPECT_NE(text.find(lock), std::string::npos) << text;
    EXPECT_NE(text.find("does not name a process"), std::string::npos) << text;
    EXPECT_NE(text.find("left alone"), std::string::npos) << text;
    ASSERT_TRUE(std::filesystem::exists(lock)) << "taken for stale and removed";
    EXPECT_EQ(Contents(lock), content);
  }
}

// A stale lock file that this user may not remove, as another user's in the
// system's lock folder (sticky): the removal fails as it would there.
int RemovalNotPermitted(const char*) {
  errno = EPERM;
  return -1;
}

TEST_F(PosixSerialPort, AStaleLockThatCannotBeRemovedNamesItsFileTheGoneProcessAndItsOwner) {
  const std::string lock = LockPathOf(locks_.Path(), pty_.Name());
  LockHolderProcess holder;
  ASSERT_GT(holder.Pid(), 0);
  holder.End();
  WriteLock(lock, holder.Pid());
  passwd* owner = getpwuid(geteuid());
  ASSERT_NE(owner, nullptr);
  Port port(locks_.Path(), RemovalNotPermitted);

  EXPECT_FALSE(port.Open(pty_.Name()));

  EXPECT_EQ(port.LastError(), static_cast<uint32_t>(EBUSY));
  EXPECT_EQ(port.LastErrorText(), "stale lock file " + lock + ": process " +
                                      std::to_string(holder.Pid()) +
                                      " is gone, but the file (owner " + owner->pw_name +
                                      ") could not be removed (Operation not permitted): remove "
                                      "it, or ask " +
                                      owner->pw_name + " to");
  EXPECT_EQ(LockHolderPid(lock), holder.Pid());
  int probe = open(pty_.Name().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  EXPECT_GE(probe, 0) << "the refused open left the tty exclusive";
  if (probe >= 0) close(probe);
}

TEST_F(PosixSerialPort, WithoutAWritableLockFolderThePortOpensAnyway) {
  Port port((std::filesystem::path(locks_.Path()) / "missing").string());
  EXPECT_TRUE(port.Open(pty_.Name())) << port.LastError();
  port.Close();
  Port unlocked("");
  EXPECT_TRUE(unlocked.Open(pty_.Name())) << unlocked.LastError();
}

int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

TEST_F(PosixSerialPort, OpeningAndRefusingLeakNoDescriptorsAndNoLockFiles) {
  const std::string lock = LockPathOf(locks_.Path(), pty_.Name());
  const int before = OpenDescriptors();
  for (int i = 0; i < 300; ++i) {
    OpenPort();
    Port second{locks_.Path()};
    EXPECT_FALSE(second.Open(pty_.Name()));  // our own lock file
    port_.Close();
    EXPECT_FALSE(port_.Open("/nonexistent/ttyUSB0"));
    EXPECT_FALSE(port_.Open("/dev/null"));
  }
  WriteLock(lock, getppid());
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(port_.Open(pty_.Name()));
  std::filesystem::remove(lock);
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_TRUE(std::filesystem::is_empty(locks_.Path())) << "lock or temporary files left";
}

// --- Giving the tty back ---

TEST_F(PosixSerialPort, CloseGivesBackTheTerminalSettingsFoundAtOpen) {
  termios preset = pty_.Settings();
  preset.c_lflag |= ICANON | ECHO | ISIG;
  preset.c_iflag |= ICRNL | IXON;
  preset.c_oflag |= OPOST;
  cfsetispeed(&preset, B9600);
  cfsetospeed(&preset, B9600);
  pty_.Apply(preset);
  const termios before = pty_.Settings();

  OpenPort();
  intercom::LineState line;
  ASSERT_TRUE(port_.GetState(line));
  line.BaudRate = 38400;
  ASSERT_TRUE(port_.SetState(line));
  port_.Close();

  const termios after = pty_.Settings();
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B9600));
  EXPECT_EQ(after.c_cc[VMIN], before.c_cc[VMIN]);
  EXPECT_EQ(after.c_cc[VTIME], before.c_cc[VTIME]);
}

TEST_F(PosixSerialPort, ReleaseForExitGivesTheTtyBackEndsExclusiveUseAndRemovesTheLockFile) {
  // A port opened and closed before leaves the release to the next one.
  Pty earlier;
  ASSERT_TRUE(earlier.Create());
  {
    Port port{locks_.Path()};
    ASSERT_TRUE(port.Open(earlier.Name())) << port.LastError();
  }
  termios preset = pty_.Settings();
  preset.c_lflag |= ICANON | ECHO | ISIG;
  preset.c_iflag |= ICRNL | IXON;
  cfsetispeed(&preset, B9600);
  cfsetospeed(&preset, B9600);
  pty_.Apply(preset);
  const termios before = pty_.Settings();
  const std::string lock = LockPathOf(locks_.Path(), pty_.Name());

  OpenPort();
  intercom::LineState line;
  ASSERT_TRUE(port_.GetState(line));
  line.BaudRate = 38400;
  ASSERT_TRUE(port_.SetState(line));
  ASSERT_EQ(pty_.Exclusive(), 1);
  ASSERT_TRUE(std::filesystem::exists(lock));

  intercom::ReleaseOpenPortForExit();

  const termios after = pty_.Settings();
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B9600));
  EXPECT_EQ(pty_.Exclusive(), 0);
  EXPECT_FALSE(std::filesystem::exists(lock));
}

TEST_F(PosixSerialPort, ReleaseForExitGivesBackEveryPortOpenAtOnce) {
  constexpr int kPorts = 3;
  Pty ptys[kPorts];
  std::unique_ptr<Port> ports[kPorts];
  termios before[kPorts];
  for (int i = 0; i < kPorts; ++i) {
    ASSERT_TRUE(ptys[i].Create());
    termios preset = ptys[i].Settings();
    preset.c_lflag |= ICANON | ECHO | ISIG;
    preset.c_iflag |= ICRNL | IXON;
    cfsetispeed(&preset, B9600);
    cfsetospeed(&preset, B9600);
    ptys[i].Apply(preset);
    before[i] = ptys[i].Settings();
    ports[i] = std::make_unique<Port>(locks_.Path());
    ASSERT_TRUE(ports[i]->Open(ptys[i].Name())) << ports[i]->LastError();
    intercom::LineState line;
    ASSERT_TRUE(ports[i]->GetState(line));
    line.BaudRate = 38400;
    ASSERT_TRUE(ports[i]->SetState(line));
    ASSERT_EQ(ptys[i].Exclusive(), 1);
  }
  ASSERT_EQ(locks_.Count(), kPorts);

  intercom::ReleaseOpenPortForExit();

  for (int i = 0; i < kPorts; ++i) {
    SCOPED_TRACE("port " + std::to_string(i + 1));
    const termios after = ptys[i].Settings();
    EXPECT_EQ(after.c_iflag, before[i].c_iflag);
    EXPECT_EQ(after.c_lflag, before[i].c_lflag);
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B9600));
    EXPECT_EQ(ptys[i].Exclusive(), 0);
    EXPECT_FALSE(std::filesystem::exists(LockPathOf(locks_.Path(), ptys[i].Name())));
  }
  EXPECT_EQ(locks_.Count(), 0);
}

TEST_F(PosixSerialPort, PortsPastTheReleaseTableDoNotOpenAndAClosedOneFreesItsPlace) {
  std::vector<std::unique_ptr<Pty>> ptys;
  std::vector<std::unique_ptr<Port>> ports;
  for (int i = 0; i < Port::kMaxOpenPorts; ++i) {
    ptys.push_back(std::make_unique<Pty>());
    ASSERT_TRUE(ptys.back()->Create());
    ports.push_back(std::make_unique<Port>(""));
    ASSERT_TRUE(ports.back()->Open(ptys.back()->Name())) << i << ": " << ports.back()->LastError();
  }
  EXPECT_FALSE(port_.Open(pty_.Name()));
  EXPECT_EQ(port_.LastError(), static_cast<uint32_t>(EMFILE));
  EXPECT_EQ(locks_.Count(), 0);
  ports.front()->Close();
  OpenPort();
}

// --- Line state and time-outs ---

TEST_F(PosixSerialPort, StateRoundTripKeepsFlags) {
  OpenPort();
  intercom::LineState before;
  ASSERT_TRUE(port_.GetState(before));

  intercom::LineState state = before;
  state.BaudRate = 38400;
  state.ByteSize = 8;
  state.Parity = 0;
  state.StopBits = 0;
  ASSERT_TRUE(port_.SetState(state)) << port_.LastError();

  intercom::LineState after;
  ASSERT_TRUE(port_.GetState(after));
  EXPECT_EQ(after.BaudRate, 38400u);
  EXPECT_EQ(after.ByteSize, 8);
  EXPECT_EQ(after.Parity, 0);
  EXPECT_EQ(after.StopBits, 0);
  EXPECT_EQ(after.Flags, before.Flags);
  EXPECT_EQ(after.XonLim, Port::kDefaultXonLim);
  EXPECT_EQ(after.XoffLim, Port::kDefaultXoffLim);
}

// A pty always runs CS8 without parity whatever it is told, so only speed,
// stop bits and flags can be seen on the tty here.
TEST_F(PosixSerialPort, SetStateProgramsTheLine) {
  OpenPort();
  intercom::LineState state;
  ASSERT_TRUE(port_.GetState(state));
  state.BaudRate = 9600;
  state.StopBits = 2;
  state.XonLim = 100;
  state.XoffLim = 50;
  state.Flags = Port::kRtsCtsFlow;
  ASSERT_TRUE(port_.SetState(state)) << port_.LastError();

  const termios tio = pty_.Settings();
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(tio.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
  EXPECT_EQ(tio.c_cflag & CRTSCTS, static_cast<tcflag_t>(CRTSCTS));
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY), 0u);

  intercom::LineState after;
  ASSERT_TRUE(port_.GetState(after));
  EXPECT_EQ(after.BaudRate, 9600u);
  EXPECT_EQ(after.StopBits, 2);
  EXPECT_EQ(after.XonLim, 100);
  EXPECT_EQ(after.XoffLim, 50);
  EXPECT_EQ(after.Flags, Port::kRtsCtsFlow);
}

TEST_F(PosixSerialPort, SetStateRejectsUnsupportedValues) {
  OpenPort();
  intercom::LineState good;
  ASSERT_TRUE(port_.GetState(good));
  const termios before = pty_.Settings();

  std::vector<intercom::LineState> bad(5, good);
  bad[0].BaudRate = 12345;
  bad[1].BaudRate = 0;
  bad[2].ByteSize = 9;
  bad[3].Parity = 3;
  bad[4].StopBits = 1;
  for (const intercom::LineState& state : bad) {
    EXPECT_FALSE(port_.SetState(state));
    EXPECT_EQ(port_.LastError(), static_cast<uint32_t>(EINVAL));
  }
  const termios after = pty_.Settings();
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
}

TEST_F(PosixSerialPort, FreshPortHasBoundedReadTimeouts) {
  OpenPort();
  intercom::CommTimeouts timeouts;
  ASSERT_TRUE(port_.GetTimeouts(timeouts));
  EXPECT_EQ(timeouts.ReadIntervalTimeout, 10u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 50u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 1u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 0u);
}

// --- Data ---

TEST_F(PosixSerialPort, WrittenBytesReachTheLineUntranslated) {
  OpenPort();
  const Bytes frame = {0x0D, 0x0A, 0x03, 0x11, 0x13, 0xFF, 0x00, 0x7F, 0x04, 0x1A};
  size_t written = 0;
  ASSERT_TRUE(port_.Write(frame.data(), frame.size(), written)) << port_.LastError();
  EXPECT_EQ(written, frame.size());
  EXPECT_EQ(pty_.Receive(frame.size() + 1, 100), frame);
}

TEST_F(PosixSerialPort, LineBytesAreReadRawWithoutEcho) {
  OpenPort();
  const Bytes frame = {0x0D, 0x0A, 0x03, 0x11, 0x13, 0xFF, 0x00, 0x7F, 0x04, 0x1A, 0x16, 0x1C};
  pty_.Send(frame);
  SetTimeouts(0, 900);

  Bytes data(frame.size());
  size_t received = 0;
  ASSERT_TRUE(port_.Read(data.data(), data.size(), received)) << port_.LastError();
  EXPECT_EQ(data, frame);
  EXPECT_TRUE(pty_.Receive(1, 50).empty());
}

TEST_F(PosixSerialPort, ReadWithNothingArrivingEndsAfterTotalTimeout) {
  OpenPort();
  uint8_t data[16];
  size_t received = 99;
  const auto start = Clock::now();
  ASSERT_TRUE(port_.Read(data, sizeof data, received));
  const long elapsed = MsSince(start);
  EXPECT_EQ(received, 0u);
  EXPECT_GE(elapsed, 40);
  EXPECT_LE(elapsed, 400);
}

TEST_F(PosixSerialPort, ReadEndsAfterIntervalTimeout) {
  OpenPort();
  SetTimeouts(10, 900);
  const Bytes first = {1, 2, 3, 4};
  const Bytes second = {5, 6, 7, 8};
  // The gap is well beyond the interval so a busy machine cannot close it.
  std::thread device([&] {
    pty_.Send(first);
    std::this_thread::sleep_for(milliseconds(100));
    pty_.Send(second);
  });

  Bytes data(16);
  size_t received = 0;
  const bool ok = port_.Read(data.data(), data.size(), received);
  device.join();
  ASSERT_TRUE(ok) << port_.LastError();
  data.resize(received);
  EXPECT_EQ(data, first);

  data.assign(16, 0);
  ASSERT_TRUE(port_.Read(data.data(), data.size(), received));
  data.resize(received);
  EXPECT_EQ(data, second);
}

TEST_F(PosixSerialPort, ReadEndsWhenAllBytesAreIn) {
  OpenPort();
  SetTimeouts(0, 900);
  Bytes frame(16);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(0xF0 + i);
  pty_.Send(Bytes(frame.begin(), frame.begin() + 10));
  std::thread device([&] {
    std::this_thread::sleep_for(milliseconds(30));
    pty_.Send(Bytes(frame.begin() + 10, frame.end()));
  });

  Bytes data(16);
  size_t received = 0;
  const auto start = Clock::now();
  const bool ok = port_.Read(data.data(), data.size(), received);
  const long elapsed = MsSince(start);
  device.join();
  ASSERT_TRUE(ok) << port_.LastError();
  EXPECT_EQ(received, 16u);
  EXPECT_EQ(data, frame);
  EXPECT_LT(elapsed, 600);
}

TEST_F(PosixSerialPort, ReadNeverBlocksLongerThanTheCap) {
  OpenPort();
  SetTimeouts(0, 0);
  uint8_t data[16];
  size_t received = 0;
  const auto start = Clock::now();
  ASSERT_TRUE(port_.Read(data, sizeof data, received));
  const long elapsed = MsSince(start);
  EXPECT_EQ(received, 0u);
  EXPECT_GE(elapsed, static_cast<long>(Port::kMaxBlockMs) - 50);
  EXPECT_LE(elapsed, static_cast<long>(Port::kMaxBlockMs) + 1000);
}

TEST_F(PosixSerialPort, WriteToAFullLineEndsAfterItsTimeout) {
  OpenPort();
  intercom::CommTimeouts timeouts = Port::kDefaultTimeouts;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = 100;
  ASSERT_TRUE(port_.SetTimeouts(timeouts));
  // Nobody reads the master, so its buffer fills long before this is out.
  const Bytes block(1 << 20, 0x55);
  size_t written = 0;
  const auto start = Clock::now();
  ASSERT_TRUE(port_.Write(block.data(), block.size(), written)) << port_.LastError();
  const long elapsed = MsSince(start);
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, block.size());
  EXPECT_GE(elapsed, 80);
  EXPECT_LE(elapsed, 600);
}

TEST_F(PosixSerialPort, PurgeDropsPendingInput) {
  OpenPort();
  SetTimeouts(0, 100);
  pty_.Send({1, 2, 3, 4, 5});
  const auto start = Clock::now();
  while (pty_.Pending() < 5 && MsSince(start) < 1000) {
    std::this_thread::sleep_for(milliseconds(1));
  }
  ASSERT_EQ(pty_.Pending(), 5);

  ASSERT_TRUE(port_.Purge()) << port_.LastError();
  pty_.Send({9});
  uint8_t data[8];
  size_t received = 0;
  ASSERT_TRUE(port_.Read(data, sizeof data, received));
  ASSERT_EQ(received, 1u);
  EXPECT_EQ(data[0], 9);
}

// --- Failures ---

TEST_F(PosixSerialPort, EveryCallOnAClosedPortFailsWithBadDescriptor) {
  Port never{locks_.Path()};
  OpenPort();
  port_.Close();
  port_.Close();
  for (Port* port : {&never, &port_}) {
    EXPECT_FALSE(port->IsOpen());
    intercom::LineState state;
    intercom::CommTimeouts timeouts;
    uint8_t data[4] = {};
    size_t count = 7;
    EXPECT_FALSE(port->GetState(state));
    EXPECT_EQ(port->LastError(), static_cast<uint32_t>(EBADF));
    const auto expectBadDescriptor = [port](bool result) {
      EXPECT_FALSE(result);
      EXPECT_EQ(port->LastError(), static_cast<uint32_t>(EBADF));
    };
    expectBadDescriptor(port->SetState(state));
    expectBadDescriptor(port->GetTimeouts(timeouts));
    expectBadDescriptor(port->SetTimeouts(timeouts));
    expectBadDescriptor(port->Purge());
    expectBadDescriptor(port->Write(data, sizeof data, count));
    EXPECT_EQ(count, 0u);
    count = 7;
    expectBadDescriptor(port->Read(data, sizeof data, count));
    EXPECT_EQ(count, 0u);
  }
}

TEST_F(PosixSerialPort, HangUpFailsReadAndWritePromptly) {
  OpenPort();
  SetTimeouts(0, 0);
  pty_.CloseMaster();

  uint8_t data[16] = {};
  size_t count = 0;
  auto start = Clock::now();
  EXPECT_FALSE(port_.Read(data, sizeof data, count));
  EXPECT_LT(MsSince(start), 300);
  EXPECT_EQ(port_.LastError(), static_cast<uint32_t>(EIO));

  start = Clock::now();
  EXPECT_FALSE(port_.Write(data, sizeof data, count));
  EXPECT_LT(MsSince(start), 300);
  EXPECT_EQ(port_.LastError(), static_cast<uint32_t>(EIO));
}

TEST_F(PosixSerialPort, HangUpEndsAWaitingRead) {
  OpenPort();
  SetTimeouts(0, 900);
  std::thread device([&] {
    std::this_thread::sleep_for(milliseconds(50));
    pty_.CloseMaster();
  });

  uint8_t data[16];
  size_t received = 0;
  const auto start = Clock::now();
  const bool ok = port_.Read(data, sizeof data, received);
  const long elapsed = MsSince(start);
  device.join();
  EXPECT_FALSE(ok);
  EXPECT_EQ(port_.LastError(), static_cast<uint32_t>(EIO));
  EXPECT_LT(elapsed, 500);
}

}  // namespace
