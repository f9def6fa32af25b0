#include "serial/win32_serial_port.h"

#include "serial/com_port_name.h"
#include "serial/network_serial_port.h"
#include "serial/registry_ports.h"
#include "serial/routing_serial_port.h"
#include "serial/setupapi_ports.h"
#include "serial/wide_text.h"

#include <cstring>
#include <memory>
#include <string>

namespace intercom {

namespace {

static_assert(sizeof(DCB) == 28, "DCBlength must be 28");

// The flags word sits right after BaudRate; the bit fields cannot be copied
// as a whole any other way.
constexpr size_t kFlagsOffset = 2 * sizeof(DWORD);

uint32_t FlagsOf(const DCB& dcb) {
  uint32_t flags = 0;
  std::memcpy(&flags, reinterpret_cast<const unsigned char*>(&dcb) + kFlagsOffset, sizeof flags);
  return flags;
}

void SetFlags(DCB& dcb, uint32_t flags) {
  std::memcpy(reinterpret_cast<unsigned char*>(&dcb) + kFlagsOffset, &flags, sizeof flags);
}

// A zero multiplier and constant mean "no total bound" to the driver.
void BoundTotal(DWORD multiplier, DWORD& constant, bool intervalOnly) {
  if (multiplier == 0 && constant == 0 && !intervalOnly) constant = SerialPort::kMaxBlockMs;
}

}  // namespace

std::unique_ptr<SerialPort> MakeSerialPort() {
  return std::make_unique<RoutingSerialPort>(std::make_unique<Win32SerialPort>(),
                                             std::make_unique<NetworkSerialPort>());
}

// The wide form: the narrow one gives the ANSI code page, which cannot hold
// every language's text and is not what a UTF-8 console shows.
std::string SystemErrorText(uint32_t code) {
  wchar_t* wide = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&wide), 0, nullptr);
  std::string text;
  if (length > 0) text = Narrow(std::wstring_view(wide, length));
  LocalFree(wide);
  // The system's texts end in CR LF, some with a space before.
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text.empty() ? "error " + std::to_string(code) : text;
}

// A handle is the system's to give back when the process ends, and a COM
// port keeps no settings of ours beyond it.
void ReleaseOpenPortForExit() noexcept {}

std::vector<std::string> ListSerialPorts() {
  return ListRegistryPorts(HKEY_LOCAL_MACHINE, kSerialCommKey);
}

PortDescription DescribeSerialPort(const std::string& port) {
  return DescribeSetupApiPort(port);
}

Win32SerialPort::~Win32SerialPort() {
  Close();
}

bool Win32SerialPort::Fail() {
  lastError_ = GetLastError();
  return false;
}

bool Win32SerialPort::FailClosed() {
  lastError_ = ERROR_INVALID_HANDLE;
  return false;
}

bool Win32SerialPort::Open(const std::string& name) {
  Close();
  const std::string path = DevicePathForOpen(name);
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Fail();
  COMMTIMEOUTS timeouts{
      kDefaultTimeouts.ReadIntervalTimeout, kDefaultTimeouts.ReadTotalTimeoutMultiplier,
      kDefaultTimeouts.ReadTotalTimeoutConstant, kDefaultTimeouts.WriteTotalTimeoutMultiplier,
      kDefaultTimeouts.WriteTotalTimeoutConstant};
  if (!SetCommTimeouts(handle, &timeouts)) {
    Fail();
    CloseHandle(handle);
    return false;
  }
  handle_ = handle;
  haveDcb_ = false;
  return true;
}

void Win32SerialPort::Close() {
  if (handle_ == INVALID_HANDLE_VALUE) return;
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  haveDcb_ = false;
}

bool Win32SerialPort::GetState(LineState& state) {
  if (!IsOpen()) return FailClosed();
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  if (!GetCommState(handle_, &dcb)) return Fail();
  dcb_ = dcb;
  haveDcb_ = true;
  state.BaudRate = dcb.BaudRate;
  state.ByteSize = dcb.ByteSize;
  state.Parity = dcb.Parity;
  state.StopBits = dcb.StopBits;
  state.XonLim = dcb.XonLim;
  state.XoffLim = dcb.XoffLim;
  state.Flags = FlagsOf(dcb);
  return true;
}

bool Win32SerialPort::SetState(const LineState& state) {
  if (!IsOpen()) return FailClosed();
  if (!haveDcb_) {
    LineState current;
    if (!GetState(current)) return false;
  }
  DCB dcb = dcb_;
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = state.BaudRate;
  dcb.ByteSize = state.ByteSize;
  dcb.Parity = state.Parity;
  dcb.StopBits = state.StopBits;
  dcb.XonLim = state.XonLim;
  dcb.XoffLim = state.XoffLim;
  SetFlags(dcb, state.Flags);
  if (!SetCommState(handle_, &dcb)) return Fail();
  dcb_ = dcb;
  return true;
}

bool Win32SerialPort::GetTimeouts(CommTimeouts& timeouts) {
  if (!IsOpen()) return FailClosed();
  COMMTIMEOUTS current{};
  if (!GetCommTimeouts(handle_, &current)) return Fail();
  timeouts = CommTimeouts{current.ReadIntervalTimeout, current.ReadTotalTimeoutMultiplier,
                          current.ReadTotalTimeoutConstant, current.WriteTotalTimeoutMultiplier,
                          current.WriteTotalTimeoutConstant};
  return true;
}

bool Win32SerialPort::SetTimeouts(const CommTimeouts& timeouts) {
  if (!IsOpen()) return FailClosed();
  COMMTIMEOUTS wanted{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                      timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                      timeouts.WriteTotalTimeoutConstant};
  // MAXDWORD as interval with zero totals is the driver's "return at once".
  BoundTotal(wanted.ReadTotalTimeoutMultiplier, wanted.ReadTotalTimeoutConstant,
             wanted.ReadIntervalTimeout == MAXDWORD);
  BoundTotal(wanted.WriteTotalTimeoutMultiplier, wanted.WriteTotalTimeoutConstant, false);
  if (!SetCommTimeouts(handle_, &wanted)) return Fail();
  return true;
}

bool Win32SerialPort::Purge() {
  if (!IsOpen()) return FailClosed();
  if (!PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR)) return Fail();
  return true;
}

bool Win32SerialPort::Write(const uint8_t* data, size_t count, size_t& written) {
  written = 0;
  if (!IsOpen()) return FailClosed();
  DWORD done = 0;
  const BOOL ok = WriteFile(handle_, data, static_cast<DWORD>(count), &done, nullptr);
  written = done;
  if (!ok) return Fail();
  return true;
}

bool Win32SerialPort::Read(uint8_t* data, size_t count, size_t& received) {
  received = 0;
  if (!IsOpen()) return FailClosed();
  DWORD done = 0;
  const BOOL ok = ReadFile(handle_, data, static_cast<DWORD>(count), &done, nullptr);
  received = done;
  if (!ok) return Fail();
  return true;
}

}  // namespace intercom
