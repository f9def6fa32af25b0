// The real serial port on Linux: a tty device driven through termios and
// poll(). Every wait has a deadline, so no call blocks longer than the
// time-outs allow and never longer than kMaxBlockMs; a hang-up (adapter
// unplugged, pty master closed) is a failure, not a wait.
#pragma once

#include <sys/types.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/serial_port.h"

namespace intercom {

class PosixSerialPort final : public SerialPort {
 public:
  // LineState::Flags on this port: termios settings that GetState reports and
  // SetState applies as given. Other bits are ignored.
  static constexpr uint32_t kRtsCtsFlow = 1u << 0;     // CRTSCTS
  static constexpr uint32_t kXonXoffOutput = 1u << 1;  // IXON
  static constexpr uint32_t kXonXoffInput = 1u << 2;   // IXOFF
  static constexpr uint32_t kRestartAny = 1u << 3;     // IXANY
  static constexpr uint32_t kHangUpOnClose = 1u << 4;  // HUPCL
  static constexpr uint32_t kIgnoreBreak = 1u << 5;    // IGNBRK
  static constexpr uint32_t kIgnoreParity = 1u << 6;   // IGNPAR
  static constexpr uint32_t kStickParity = 1u << 7;    // CMSPAR (mark/space)

  // XonLim and XoffLim after an open, in bytes; only kept, a tty has no use for them.
  static constexpr uint16_t kDefaultXonLim = 2048;
  static constexpr uint16_t kDefaultXoffLim = 512;

  // Time-outs after an open: reads end 10 ms after the last byte or 50 ms
  // after they began; a write of n bytes may take n ms.
  static constexpr CommTimeouts kDefaultTimeouts{10, 0, 50, 1, 0};

  // Where the serial tools of this system keep their lock files.
  static constexpr const char* kSystemLockFolder = "/var/lock";

  // How a stale lock file is removed: unlink() for the programs; 0, or -1
  // with errno set.
  using RemoveFile = int (*)(const char* path);

  // At most this many ports are open at once in a process: the release for
  // exit keeps a fixed table of them.
  static constexpr int kMaxOpenPorts = 64;

  // `lockFolder` is where the lock files of the serial tools' convention live
  // (kSystemLockFolder for the programs, a scratch folder for tests); empty
  // means no lock files at all. `removeStale` takes a stale lock file away.
  explicit PosixSerialPort(std::string lockFolder, RemoveFile removeStale = &unlink);
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;
  ~PosixSerialPort() override;

  // `name` is a device path such as /dev/ttyUSB0. Only a terminal device opens;
  // anything else fails with ENOTTY (or the error of open()) and is never
  // written to. Terminals that are no serial line — /dev/tty, the process's
  // own controlling terminal, the virtual consoles, /dev/console — fail with
  // ENODEV; pseudo-terminals open. Exclusive: a port open elsewhere fails with
  // EWOULDBLOCK, and a port whose lock file names a live process with EBUSY
  // (a lock file of a process that is gone is taken over). A lock file may
  // name its process in ASCII (ten characters and a newline, as this class
  // writes it) or as a 4-byte native integer (older tools). A lock file that
  // cannot be read as a PID (empty, "123abc", unreadable), or a stale one that
  // cannot be removed (another user's), is left alone and fails with EBUSY.
  // While open, the port's lock file holds this process's PID; where the lock
  // folder is not writable the port opens without one. The tty is switched to
  // a raw byte stream; its flow-control settings stay. The port is one of
  // those ReleaseOpenPortForExit gives back; past kMaxOpenPorts open at once
  // the open fails with EMFILE.
  bool Open(const std::string& name) override;
  bool IsOpen() const override { return fd_ >= 0; }
  // Gives the tty back with the terminal settings it had at Open, ends the
  // exclusive use and removes the lock file if it still names this process
  // (another may have taken it over meanwhile).
  void Close() override;

  // An unsupported baud rate, byte size, parity or stop-bit value fails with EINVAL.
  bool GetState(LineState& state) override;
  bool SetState(const LineState& state) override;
  bool GetTimeouts(CommTimeouts& timeouts) override;
  bool SetTimeouts(const CommTimeouts& timeouts) override;
  bool Purge() override;
  // On a failure `written` / `received` still count the bytes moved before it.
  bool Write(const uint8_t* data, size_t count, size_t& written) override;
  bool Read(uint8_t* data, size_t count, size_t& received) override;

  uint32_t LastError() const override { return lastError_; }
  // After an open refused by a live process's lock file: "locked by process
  // N (name)", the name as /proc/N/comm gave it at the open, or "locked by
  // process N" without it. After one refused by a lock file left alone: the
  // file, its owner, the gone process if it names one, and what to do.
  // Otherwise the system's text.
  std::string LastErrorText() const override;

 private:
  bool Fail(int error);
  enum class Readiness { Ready, TimedOut, Failed };
  // Waits until the port is ready for `events` or `deadline` passes; a hung-up
  // line or a failing poll() is Failed, with LastError set.
  Readiness WaitFor(short events, std::chrono::steady_clock::time_point deadline);

  // 0, or the error that refuses the port; refusal_ then says why when a
  // lock file refused it.
  int AcquireLockFile(const std::string& devicePath);
  void ReleaseLockFile();
  // Fill and clear this port's slot of the process-wide table
  // ReleaseOpenPortForExit works from.
  bool ClaimSlot();
  void ShareLockFile();
  void ShareDescriptor(int fd);
  void UnshareDescriptor();
  void WithdrawShared();

  std::string lockFolder_;
  RemoveFile removeStale_;
  std::string lockFile_;  // ours while the port is open; empty when none
  int slot_ = -1;         // this port's slot in the release table; -1 when none
  std::string refusal_;   // why a lock file refused the last open; empty after any other failure
  termios found_{};       // the tty's settings at Open, given back at Close
  int fd_ = -1;
  uint32_t lastError_ = 0;
  CommTimeouts timeouts_{};
  uint16_t xonLim_ = 0;
  uint16_t xoffLim_ = 0;
};

}  // namespace intercom
