#include "serial/posix_serial_port.h"
#include "serial/lock_file.h"
#include "serial/network_serial_port.h"
#include "serial/routing_serial_port.h"
#include "serial/sysfs_ports.h"
#include "serial/user_name.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

namespace intercom {

namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC

struct BaudEntry {
  speed_t code;
  uint32_t rate;
};

constexpr BaudEntry kBaudRates[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},
    {B150, 150},         {B200, 200},         {B300, 300},         {B600, 600},
    {B1200, 1200},       {B1800, 1800},       {B2400, 2400},       {B4800, 4800},
    {B9600, 9600},       {B19200, 19200},     {B38400, 38400},     {B57600, 57600},
    {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000},
    {B1500000, 1500000}, {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000},
    {B3500000, 3500000}, {B4000000, 4000000},
};

uint32_t RateOf(speed_t code) {
  for (const BaudEntry& entry : kBaudRates) {
    if (entry.code == code) return entry.rate;
  }
  return 0;
}

std::optional<speed_t> CodeOf(uint32_t rate) {
  for (const BaudEntry& entry : kBaudRates) {
    if (entry.rate == rate) return entry.code;
  }
  return std::nullopt;
}

struct FlagBit {
  uint32_t flag;
  tcflag_t termios::*field;
  tcflag_t bit;
};

constexpr FlagBit kFlagBits[] = {
    {PosixSerialPort::kRtsCtsFlow, &termios::c_cflag, CRTSCTS},
    {PosixSerialPort::kXonXoffOutput, &termios::c_iflag, IXON},
    {PosixSerialPort::kXonXoffInput, &termios::c_iflag, IXOFF},
    {PosixSerialPort::kRestartAny, &termios::c_iflag, IXANY},
    {PosixSerialPort::kHangUpOnClose, &termios::c_cflag, HUPCL},
    {PosixSerialPort::kIgnoreBreak, &termios::c_iflag, IGNBRK},
    {PosixSerialPort::kIgnoreParity, &termios::c_iflag, IGNPAR},
    {PosixSerialPort::kStickParity, &termios::c_cflag, CMSPAR},
};

// Linux opens every tty with IXON on, which would swallow 0x11 and 0x13 in
// binary replies (a Tally code of 0x11 is input 18), so software flow control
// goes with the rest of the cooked-mode processing; hardware flow control
// stays as the port had it.
void MakeRaw(termios& tio) {
  tio.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK | INPCK |
                                        IUCLC | IXON | IXOFF | IXANY);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHOE | ECHONL | ISIG | IEXTEN);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
}

// Milliseconds left until `deadline`, rounded up so that poll() never wakes
// just before it and spins; 0 once it has passed.
int MsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// A hung-up tty reports POLLHUP (with every other bit) and reads end of file.
int PollFailure(short revents) {
  return (revents & POLLNVAL) ? EBADF : EIO;
}

constexpr short kLineDown = POLLHUP | POLLERR | POLLNVAL;

// Terminals that answer like a tty but are no serial line: binary frames
// would land on someone's screen and leave it raw. /dev/tty and /dev/console
// are major 5, minors 0 and 1; the virtual consoles major 4, minors 0 to 63
// (the serial ports start at 64).
bool IsConsoleOrOwnTerminal(int fd, const std::string& path, dev_t device) {
  const unsigned int major = ::major(device);
  const unsigned int minor = ::minor(device);
  if (major == 5 && minor <= 1) return true;
  if (major == 4 && minor < 64) return true;
  // Containers bind a pseudo-terminal over /dev/console.
  if (path == "/dev/console" || path == "/dev/tty") return true;
  pid_t session = 0;
  return ioctl(fd, TIOCGSID, &session) == 0 && session == getsid(0);
}

// The path the device is known by, links resolved, so that every tool names
// the same lock file for it; the name as given when it cannot be resolved.
std::string DevicePath(const std::string& name) {
  char resolved[PATH_MAX];
  return realpath(name.c_str(), resolved) != nullptr ? std::string(resolved) : name;
}

// The PID in the lock file at `path`, or 0. Async-signal-safe.
pid_t LockHolder(const char* path) {
  return ReadLockFile(path).pid;
}

// Another tool may have taken the file over as stale meanwhile: only a lock
// file that still names this process is ours to remove. Async-signal-safe.
void RemoveOwnLockFile(const char* path) {
  if (LockHolder(path) == getpid()) unlink(path);
}

// What /proc says the process is called ("minicom"), or empty.
std::string ProcessName(pid_t pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

// A signal handler can reach only process-wide state, so the ports it has to
// give back are kept here, each complete before it is needed: nothing in the
// handler may allocate. A port owns one slot from its open to its close;
// `fd` and `lockHeld` are set only once the parts they guard are written, and
// cleared before those parts go away, so a handler on any thread sees either
// a whole entry or none.
struct ReleaseSlot {
  std::atomic<bool> owned{false};
  std::atomic<int> fd{-1};
  termios found{};
  std::atomic<bool> lockHeld{false};
  char lockPath[PATH_MAX] = {};
};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "a signal handler may only use lock-free atomics");

ReleaseSlot gReleaseSlots[PosixSerialPort::kMaxOpenPorts];

// The user name of `uid` ("root"), or "user N" when it has none.
std::string UserName(uid_t uid) {
  return SystemUserName(uid).value_or("user " + std::to_string(uid));
}

// Why a lock file that is left alone refuses the port, and what to do.
std::string UnreadableLockText(const std::string& path, const LockFileContent& content) {
  const std::string owner = UserName(content.owner);
  const std::string why = content.readError != 0
                              ? "cannot be read (" + SystemErrorText(content.readError) + ")"
                              : "does not name a process";
  return "lock file " + path + " (owner " + owner + ") " + why +
         ", so it is left alone: remove it once no program uses the port, or ask " + owner + " to";
}

std::string StaleLockText(const std::string& path, const LockFileContent& content, int error) {
  const std::string owner = UserName(content.owner);
  return "stale lock file " + path + ": process " + std::to_string(content.pid) +
         " is gone, but the file (owner " + owner + ") could not be removed (" +
         SystemErrorText(error) + "): remove it, or ask " + owner + " to";
}

bool IsAlive(pid_t pid) {
  return kill(pid, 0) == 0 || errno == EPERM;
}

// Creates `path` holding our PID in one step: a half-written lock file could
// be taken for a stale one. False with errno set.
bool CreateLockFile(const std::string& folder, const std::string& path) {
  std::string temporary = folder + "/LTMP.XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
  const bool written = write(fd, text, static_cast<size_t>(length)) == length;
  const int writeError = errno;
  fchmod(fd, 0644);
  close(fd);
  const bool linked = written && link(temporary.c_str(), path.c_str()) == 0;
  const int error = written ? errno : writeError;
  unlink(temporary.c_str());
  errno = error;
  return linked;
}

}  // namespace

std::unique_ptr<SerialPort> MakeSerialPort() {
  return std::make_unique<RoutingSerialPort>(
      std::make_unique<PosixSerialPort>(PosixSerialPort::kSystemLockFolder),
      std::make_unique<NetworkSerialPort>());
}

std::string SystemErrorText(uint32_t code) {
  return std::generic_category().message(static_cast<int>(code));
}

void ReleaseOpenPortForExit() noexcept {
  for (ReleaseSlot& slot : gReleaseSlots) {
    const int fd = slot.fd.load();
    if (fd >= 0) {
      tcsetattr(fd, TCSANOW, &slot.found);
      ioctl(fd, TIOCNXCL);
    }
    if (slot.lockHeld.load()) RemoveOwnLockFile(slot.lockPath);
  }
}

std::vector<std::string> ListSerialPorts() {
  return ListSysfsPorts("/sys/class/tty", "/dev");
}

PortDescription DescribeSerialPort(const std::string& port) {
  return DescribePort(port);
}

PosixSerialPort::PosixSerialPort(std::string lockFolder, RemoveFile removeStale)
    : lockFolder_(std::move(lockFolder)), removeStale_(removeStale) {}

PosixSerialPort::~PosixSerialPort() {
  Close();
}

int PosixSerialPort::AcquireLockFile(const std::string& devicePath) {
  if (lockFolder_.empty()) return 0;
  const std::string path = lockFolder_ + "/" + LockFileName(devicePath);
  // A stale file removed here may be replaced by another tool at once; a few
  // rounds settle who holds the port.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (CreateLockFile(lockFolder_, path)) {
      lockFile_ = path;
      ShareLockFile();
      return 0;
    }
    if (errno != EEXIST) return 0;  // no writable lock folder: go on without
    const LockFileContent content = ReadLockFile(path.c_str());
    if (!content.exists) continue;  // its holder just let go
    // What cannot be read as a PID may be another tool's lock half written,
    // or a form we do not know: only its owner can tell it is stale.
    if (content.pid <= 0) {
      refusal_ = UnreadableLockText(path, content);
      return EBUSY;
    }
    if (IsAlive(content.pid)) {
      refusal_ = "locked by process " + std::to_string(content.pid);
      // Read now: by the time the message is shown the holder may be gone.
      const std::string name = ProcessName(content.pid);
      if (!name.empty()) refusal_ += " (" + name + ")";
      return EBUSY;
    }
    if (removeStale_(path.c_str()) != 0 && errno != ENOENT) {
      refusal_ = StaleLockText(path, content, errno);
      return EBUSY;
    }
  }
  return EBUSY;
}

void PosixSerialPort::ReleaseLockFile() {
  if (lockFile_.empty()) return;
  RemoveOwnLockFile(lockFile_.c_str());
  // Only now: a signal in between finds the path still shared, and removes
  // nothing that is not ours either.
  if (slot_ >= 0) gReleaseSlots[slot_].lockHeld = false;
  lockFile_.clear();
}

bool PosixSerialPort::ClaimSlot() {
  for (int i = 0; i < kMaxOpenPorts && slot_ < 0; ++i) {
    bool owned = false;
    if (gReleaseSlots[i].owned.compare_exchange_strong(owned, true)) slot_ = i;
  }
  return slot_ >= 0;
}

void PosixSerialPort::ShareLockFile() {
  ReleaseSlot& slot = gReleaseSlots[slot_];
  if (lockFile_.size() >= sizeof slot.lockPath) return;
  std::memcpy(slot.lockPath, lockFile_.c_str(), lockFile_.size() + 1);
  slot.lockHeld = true;
}

void PosixSerialPort::ShareDescriptor(int fd) {
  ReleaseSlot& slot = gReleaseSlots[slot_];
  slot.found = found_;
  slot.fd = fd;
}

void PosixSerialPort::UnshareDescriptor() {
  if (slot_ >= 0) gReleaseSlots[slot_].fd = -1;
}

void PosixSerialPort::WithdrawShared() {
  if (slot_ < 0) return;
  ReleaseSlot& slot = gReleaseSlots[slot_];
  slot.fd = -1;
  slot.lockHeld = false;
  slot.owned = false;
  slot_ = -1;
}

std::string PosixSerialPort::LastErrorText() const {
  return refusal_.empty() ? SystemErrorText(lastError_) : refusal_;
}

bool PosixSerialPort::Fail(int error) {
  lastError_ = static_cast<uint32_t>(error);
  refusal_.clear();
  return false;
}

bool PosixSerialPort::Open(const std::string& name) {
  Close();
  refusal_.clear();
  // The system would open only the part before a NUL: another device.
  if (name.find('\0') != std::string::npos) return Fail(ENOENT);
  // O_NONBLOCK keeps open() from waiting for carrier. It also stays set: every
  // wait goes through poll() with a deadline, and a blocking write() would wait
  // for all of its bytes on a flow-stopped line, past any time-out.
  const int fd = open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(errno);

  // Set once TIOCEXCL is on the tty, which outlives this descriptor while
  // others hold it open.
  bool exclusive = false;
  const auto reject = [&](int error) {
    if (exclusive) ioctl(fd, TIOCNXCL);
    UnshareDescriptor();
    close(fd);
    ReleaseLockFile();
    WithdrawShared();
    return Fail(error);
  };

  struct stat info {};
  if (fstat(fd, &info) != 0) return reject(errno);
  if (!S_ISCHR(info.st_mode) || !isatty(fd)) return reject(ENOTTY);
  const std::string devicePath = DevicePath(name);
  if (IsConsoleOrOwnTerminal(fd, devicePath, info.st_rdev)) return reject(ENODEV);
  if (!ClaimSlot()) return reject(EMFILE);
  // The lock file first: flock() and TIOCEXCL only stop those who open after
  // us, the convention also those who came before.
  if (const int error = AcquireLockFile(devicePath); error != 0) {
    std::string refusal = std::move(refusal_);
    reject(error);
    refusal_ = std::move(refusal);
    return false;
  }
  // flock() also covers a second open in this process, which TIOCEXCL does not
  // refuse (nor does it for root).
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return reject(errno);
  if (ioctl(fd, TIOCEXCL) != 0) return reject(errno);
  exclusive = true;

  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return reject(errno);
  found_ = tio;
  ShareDescriptor(fd);
  MakeRaw(tio);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return reject(errno);

  fd_ = fd;
  timeouts_ = kDefaultTimeouts;
  xonLim_ = kDefaultXonLim;
  xoffLim_ = kDefaultXoffLim;
  return true;
}

void PosixSerialPort::Close() {
  if (fd_ < 0) return;
  // Best effort: on a hung-up tty these fail and there is nothing left to undo.
  // TCSANOW: waiting for output to drain could block on a flow-stopped line.
  tcsetattr(fd_, TCSANOW, &found_);
  ioctl(fd_, TIOCNXCL);
  flock(fd_, LOCK_UN);
  // A signal handler must never reach a descriptor number that may already
  // be another file's.
  UnshareDescriptor();
  close(fd_);
  fd_ = -1;
  ReleaseLockFile();
  WithdrawShared();
}

bool PosixSerialPort::GetState(LineState& state) {
  if (fd_ < 0) return Fail(EBADF);
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) return Fail(errno);

  state.BaudRate = RateOf(cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5:
      state.ByteSize = 5;
      break;
    case CS6:
      state.ByteSize = 6;
      break;
    case CS7:
      state.ByteSize = 7;
      break;
    default:
      state.ByteSize = 8;
      break;
  }
  state.Parity = (tio.c_cflag & PARENB) ? ((tio.c_cflag & PARODD) ? 1 : 2) : 0;
  state.StopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
  state.XonLim = xonLim_;
  state.XoffLim = xoffLim_;
  state.Flags = 0;
  for (const FlagBit& bit : kFlagBits) {
    if (tio.*bit.field & bit.bit) state.Flags |= bit.flag;
  }
  return true;
}

bool PosixSerialPort::SetState(const LineState& state) {
  if (fd_ < 0) return Fail(EBADF);
  const std::optional<speed_t> speed = CodeOf(state.BaudRate);
  constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  if (!speed || state.ByteSize < 5 || state.ByteSize > 8 || state.Parity > 2 ||
      (state.StopBits != 0 && state.StopBits != 2)) {
    return Fail(EINVAL);
  }

  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) return Fail(errno);
  if (cfsetispeed(&tio, *speed) != 0 || cfsetospeed(&tio, *speed) != 0) return Fail(errno);
  tio.c_cflag = (tio.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | kSizes[state.ByteSize - 5];
  tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CSTOPB);
  if (state.Parity == 1) tio.c_cflag |= PARENB | PARODD;
  if (state.Parity == 2) tio.c_cflag |= PARENB;
  if (state.StopBits == 2) tio.c_cflag |= CSTOPB;
  for (const FlagBit& bit : kFlagBits) {
    if (state.Flags & bit.flag) {
      tio.*bit.field |= bit.bit;
    } else {
      tio.*bit.field &= ~bit.bit;
    }
  }
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) return Fail(errno);
  xonLim_ = state.XonLim;
  xoffLim_ = state.XoffLim;
  return true;
}

bool PosixSerialPort::GetTimeouts(CommTimeouts& timeouts) {
  if (fd_ < 0) return Fail(EBADF);
  timeouts = timeouts_;
  return true;
}

bool PosixSerialPort::SetTimeouts(const CommTimeouts& timeouts) {
  if (fd_ < 0) return Fail(EBADF);
  timeouts_ = timeouts;
  return true;
}

bool PosixSerialPort::Purge() {
  if (fd_ < 0) return Fail(EBADF);
  if (tcflush(fd_, TCIOFLUSH) != 0) return Fail(errno);
  return true;
}

PosixSerialPort::Readiness PosixSerialPort::WaitFor(short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd_, events, 0};
    const int ready = poll(&entry, 1, MsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      Fail(errno);
      return Readiness::Failed;
    }
    if (ready == 0) return Readiness::TimedOut;
    if (entry.revents & kLineDown) {
      Fail(PollFailure(entry.revents));
      return Readiness::Failed;
    }
    return Readiness::Ready;
  }
}

bool PosixSerialPort::Write(const uint8_t* data, size_t count, size_t& written) {
  written = 0;
  if (fd_ < 0) return Fail(EBADF);
  const Clock::time_point deadline =
      Clock::now() +
      std::chrono::milliseconds(TotalBoundMs(timeouts_.WriteTotalTimeoutMultiplier,
                                             timeouts_.WriteTotalTimeoutConstant, count));
  while (written < count) {
    const Readiness readiness = WaitFor(POLLOUT, deadline);
    if (readiness == Readiness::Failed) return false;
    if (readiness == Readiness::TimedOut) break;
    const ssize_t n = write(fd_, data + written, count - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return Fail(errno);
    } else if (MsUntil(deadline) == 0) {
      break;
    }
  }
  return true;
}

bool PosixSerialPort::Read(uint8_t* data, size_t count, size_t& received) {
  received = 0;
  if (fd_ < 0) return Fail(EBADF);
  const Clock::time_point start = Clock::now();
  const Clock::time_point totalDeadline =
      start + std::chrono::milliseconds(TotalBoundMs(timeouts_.ReadTotalTimeoutMultiplier,
                                                     timeouts_.ReadTotalTimeoutConstant, count));
  const auto interval = std::chrono::milliseconds(timeouts_.ReadIntervalTimeout);
  Clock::time_point lastByte = start;
  while (received < count) {
    Clock::time_point deadline = totalDeadline;
    if (received > 0 && interval.count() > 0) deadline = std::min(deadline, lastByte + interval);
    const Readiness readiness = WaitFor(POLLIN, deadline);
    if (readiness == Readiness::Failed) return false;
    if (readiness == Readiness::TimedOut) break;
    const ssize_t n = read(fd_, data + received, count - received);
    if (n > 0) {
      received += static_cast<size_t>(n);
      lastByte = Clock::now();
    } else if (n == 0) {
      // Readable yet empty in raw mode: the line has hung up.
      return Fail(EIO);
    } else if (errno != EAGAIN && errno != EINTR) {
      return Fail(errno);
    } else if (MsUntil(deadline) == 0) {
      break;
    }
  }
  return true;
}

}  // namespace intercom
