#include "workflow/port_link.h"

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

bool OpenPort(Session& session) {
  if (session.port.Open(session.state.PortName)) return true;
  session.panel.ShowNotice("Can't open port " + PortNameForMessage(session.state.PortName));
  return false;
}

bool ConfigurePort(Session& session) {
  SerialPort& port = session.port;
  LineState line;
  if (!port.GetState(line)) {
    session.panel.ShowNotice(WithCode("Can't get port state: ", port));
    return false;
  }
  line.BaudRate = kBaudRate;
  line.ByteSize = 8;
  line.Parity = 0;
  line.StopBits = 0;
  line.XonLim = kXonLim;
  line.XoffLim = kXoffLim;
  if (!port.SetState(line)) {
    session.panel.ShowNotice(WithCode("Can't set new port settings: ", port));
    return false;
  }
  // The current time-outs are read only to report a failing port; all five are set anyway.
  CommTimeouts current;
  if (!port.GetTimeouts(current)) {
    session.panel.ShowNotice(WithCode("Can't write to port: ", port));
  }
  if (!port.SetTimeouts(DeviceTimeouts())) {
    session.panel.ShowNotice(WithCode("Can't write to port: ", port));
  }
  return true;
}

void ClosePort(Session& session) {
  session.port.Close();
}

int ReleasePortOnTermination(Session& session, TerminationSignals& termination) {
  const int signal = termination.Take();
  if (signal != 0) ClosePort(session);
  return signal;
}

}  // namespace intercom
