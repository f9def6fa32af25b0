// The platform layer under the serial link: one port, opened by name, with a
// line state, read/write time-outs, purge, write, read and the last error.
// PosixSerialPort (Linux) and Win32SerialPort (Windows) are the real ones, and
// MakeSerialPort gives the one the build is for; tests use an in-memory fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace intercom {

// Line settings. Flags carries every other setting as the port reported it
// (flow control and the rest) so that a read-modify-write keeps it unchanged.
// XonLim and XoffLim have no effect on a POSIX tty; they are only kept.
struct LineState {
  uint32_t BaudRate = 0;
  uint8_t ByteSize = 8;  // data bits, 5..8
  uint8_t Parity = 0;    // 0 none, 1 odd, 2 even
  uint8_t StopBits = 0;  // 0 one, 2 two
  uint16_t XonLim = 0;
  uint16_t XoffLim = 0;
  uint32_t Flags = 0;
};

// Time-outs in milliseconds, with the usual serial-driver meaning: a read of n
// bytes ends when n are in, when ReadIntervalTimeout passes after a byte with
// no further byte, or when ReadTotalTimeoutConstant + multiplier * n has passed
// since it began; a write of n bytes is bounded by the write pair alike. Zero
// means "no such bound"; a port never blocks longer than kMaxBlockMs anyway.
struct CommTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;
};

// The system's text for an error code of this platform: strerror for errno on
// Linux, FormatMessage in UTF-8 on Windows; never empty, no line break.
std::string SystemErrorText(uint32_t code);

class SerialPort {
 public:
  static constexpr uint32_t kMaxBlockMs = 1000;

  virtual ~SerialPort() = default;

  // Opens the named port for exclusive read and write, closing any port this
  // object had open. False on failure, with LastError set.
  virtual bool Open(const std::string& name) = 0;
  virtual bool IsOpen() const = 0;
  // Closes the port if one is open; nothing otherwise.
  virtual void Close() = 0;

  // Each returns false on failure, with LastError set (EBADF on Linux,
  // ERROR_INVALID_HANDLE on Windows, when no port is open).
  virtual bool GetState(LineState& state) = 0;
  virtual bool SetState(const LineState& state) = 0;
  virtual bool GetTimeouts(CommTimeouts& timeouts) = 0;
  virtual bool SetTimeouts(const CommTimeouts& timeouts) = 0;
  // Drops whatever waits in both directions.
  virtual bool Purge() = 0;
  // A time-out is a success with fewer bytes; only a failure of the line is false.
  virtual bool Write(const uint8_t* data, size_t count, size_t& written) = 0;
  virtual bool Read(uint8_t* data, size_t count, size_t& received) = 0;

  // The system error code of the last failed call: errno on Linux,
  // GetLastError() on Windows.
  virtual uint32_t LastError() const = 0;
  // Why the last failed call failed, in a few words for a person, in UTF-8:
  // the system's text for LastError() (SystemErrorText), unless the port knows
  // more. PosixSerialPort says "locked by process N (name)" when a live
  // process's lock file refused the open.
  virtual std::string LastErrorText() const { return SystemErrorText(LastError()); }

 protected:
  // The bound in ms of a transfer of `count` bytes with this multiplier and
  // constant from CommTimeouts: kMaxBlockMs when both are zero, never more.
  static uint32_t TotalBoundMs(uint32_t multiplier, uint32_t constant, size_t count) {
    if (multiplier == 0 && constant == 0) return kMaxBlockMs;
    // Any count past kMaxBlockMs already reaches the cap with a non-zero
    // multiplier; clamping it keeps the product within 64 bits.
    const uint64_t capped = count < kMaxBlockMs ? count : kMaxBlockMs;
    const uint64_t total = uint64_t{constant} + uint64_t{multiplier} * capped;
    return static_cast<uint32_t>(total < kMaxBlockMs ? total : kMaxBlockMs);
  }
};

// A closed port of the platform the program is built for; on Linux it keeps
// its lock files in the system lock folder.
std::unique_ptr<SerialPort> MakeSerialPort();

// For a signal handler that ends the process at once: gives every port this
// process has open back as it found it, without closing it. On Linux that is
// each tty's settings from the open, its exclusive use ended and its lock file
// removed if the file still names this process; on Windows nothing (the
// system gives a handle back when the process ends). Async-signal-safe: no
// allocation, no locks; any thread may run it while others open and close
// ports. With none open it does nothing.
void ReleaseOpenPortForExit() noexcept;

}  // namespace intercom
