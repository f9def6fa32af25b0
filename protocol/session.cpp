#include "protocol/session.h"

#include "serial/port_enumeration.h"

namespace intercom {

Session::Session(PanelModel& panel, SerialPort& port, Pause pause)
    : panel(panel),
      port(port),
      pause(std::move(pause)),
      listPorts([] { return ListSerialPorts(); }) {}

}  // namespace intercom
