// The real serial port on Windows: a COM device driven through the Win32
// communications calls, synchronously (no overlapped I/O). The driver applies
// the time-outs; no call blocks longer than they allow, and never longer than
// kMaxBlockMs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/serial_port.h"

namespace intercom {

class Win32SerialPort final : public SerialPort {
 public:
  // Time-outs set right after an open, so that a port opened without the
  // start-up's settings still ends its reads: 10 ms after the last byte or
  // 50 ms after they began; a write of n bytes may take n ms.
  static constexpr CommTimeouts kDefaultTimeouts{10, 0, 50, 1, 0};

  Win32SerialPort() = default;
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;
  ~Win32SerialPort() override;

  // `name` goes to CreateFileA as DevicePathForOpen gives it ("COM12" as
  // "\\.\COM12", which Windows needs past COM9),
  // exclusive (share mode 0): a port another program holds fails with its
  // error (ERROR_ACCESS_DENIED from a serial driver, ERROR_SHARING_VIOLATION
  // from the file system). A handle that takes no communications time-outs is
  // not a serial port: it is closed again, never written to, and the open
  // fails with that call's error.
  bool Open(const std::string& name) override;
  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
  void Close() override;

  // LineState maps onto the DCB: BaudRate, ByteSize, Parity (3 mark, 4 space
  // beside none, odd, even), StopBits (1 is one and a half), XonLim, XoffLim,
  // and Flags as the DCB's whole flags word (fBinary in bit 0 up to
  // fAbortOnError in bit 14). SetState starts from the DCB the port last
  // reported, so its XON, XOFF, error, end-of-file and event characters stay.
  bool GetState(LineState& state) override;
  bool SetState(const LineState& state) override;
  // All-zero read (or write) totals would let the driver wait forever; such a
  // pair is set as a kMaxBlockMs constant instead.
  bool GetTimeouts(CommTimeouts& timeouts) override;
  bool SetTimeouts(const CommTimeouts& timeouts) override;
  // PurgeComm with PURGE_TXCLEAR | PURGE_RXCLEAR.
  bool Purge() override;
  bool Write(const uint8_t* data, size_t count, size_t& written) override;
  bool Read(uint8_t* data, size_t count, size_t& received) override;

  // GetLastError() right after the failed call; ERROR_INVALID_HANDLE (6) for a
  // call while no port is open.
  uint32_t LastError() const override { return lastError_; }

 private:
  bool Fail();
  bool FailClosed();

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  uint32_t lastError_ = 0;
  // The DCB as GetCommState last reported it, once it has since the open.
  DCB dcb_{};
  bool haveDcb_ = false;
};

}  // namespace intercom
