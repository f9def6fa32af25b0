// One session of the tool: the shared state record, the panel, the port and
// the pause. Passed by reference to everything that acts; tests build as many
// as they like with fakes.
#pragma once

#include "protocol/session_state.h"
#include "serial/pause.h"
#include "serial/serial_port.h"
#include "ui/panel_model.h"

namespace intercom {

struct Session {
  // `panel` and `port` must outlive the session.
  Session(PanelModel& panel, SerialPort& port, Pause pause)
      : panel(panel), port(port), pause(std::move(pause)) {}

  SessionState state;
  PanelModel& panel;
  SerialPort& port;
  Pause pause;
};

}  // namespace intercom
