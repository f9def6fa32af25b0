#include "device/port_link.h"

namespace intercom {
namespace {

std::string WithCode(const char* text, const SerialPort& port) {
  return text + std::to_string(port.LastError());
}

}  // namespace

CommTimeouts DeviceTimeouts() {
  CommTimeouts timeouts;
  timeouts.ReadIntervalTimeout = 10;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 50;
  timeouts.WriteTotalTimeoutMultiplier = 1;
  timeouts.WriteTotalTimeoutConstant = 0;
  return timeouts;
}

std::string PortNameForMessage(const std::string& name) {
  if (name.size() <= kPortNameShownLength) return name;
  // Never cut a UTF-8 sequence in two.
  size_t end = kPortNameShownLength;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return name.substr(0, end) + "…";
}

bool OpenPort(const DeviceLine& line) {
  if (line.port.Open(line.state.PortName)) return true;
  line.observer.Notice("Can't open port " + PortNameForMessage(line.state.PortName));
  return false;
}

bool ConfigurePort(const DeviceLine& line) {
  SerialPort& port = line.port;
  LineState settings;
  if (!port.GetState(settings)) {
    line.observer.Notice(WithCode("Can't get port state: ", port));
    return false;
  }
  settings.BaudRate = kBaudRate;
  settings.ByteSize = 8;
  settings.Parity = 0;
  settings.StopBits = 0;
  settings.XonLim = kXonLim;
  settings.XoffLim = kXoffLim;
  if (!port.SetState(settings)) {
    line.observer.Notice(WithCode("Can't set new port settings: ", port));
    return false;
  }
  // The current time-outs are read only to report a failing port; all five are set anyway.
  CommTimeouts current;
  if (!port.GetTimeouts(current)) {
    line.observer.Notice(WithCode("Can't write to port: ", port));
  }
  if (!port.SetTimeouts(DeviceTimeouts())) {
    line.observer.Notice(WithCode("Can't write to port: ", port));
  }
  return true;
}

void ClosePort(const DeviceLine& line) {
  line.port.Close();
}

int ReleasePortOnTermination(const DeviceLine& line, TerminationSignals& termination) {
  const int signal = termination.Take();
  if (signal != 0) ClosePort(line);
  return signal;
}

void SetLevelConstants(SessionState& state) {
  state.LevelBase = 32;
  state.LevelMax = 255;
  state.LevelStep = 14;
}

bool StartLink(const DeviceLine& line) {
  OpenPort(line);
  line.pause(100);
  return ConfigurePort(line);
}

}  // namespace intercom
