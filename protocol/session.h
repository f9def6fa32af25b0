// One session of the tool: the shared state record, the panel, the port, the
// pause and where the port list and the port choice come from. Passed by
// reference to everything that acts; tests build as many as they like.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "panel/panel_model.h"
#include "protocol/session_state.h"
#include "serial/pause.h"
#include "serial/serial_port.h"

namespace intercom {

// Where the chosen port is kept, relative to the working directory.
inline constexpr const char* kPortChoiceFile = "COM.ini";

// The machine's serial ports, in a stable order; may throw
// PortEnumerationError (or a HandlerFailure of its own).
using PortLister = std::function<std::vector<std::string>()>;

struct Session {
  // `panel` and `port` must outlive the session. The port list defaults to the
  // machine's real ports.
  Session(PanelModel& panel, SerialPort& port, Pause pause);

  SessionState state;
  PanelModel& panel;
  SerialPort& port;
  Pause pause;
  PortLister listPorts;
  // COM.ini, relative to the working directory unless a test says otherwise.
  std::string portChoicePath = kPortChoiceFile;
};

}  // namespace intercom
