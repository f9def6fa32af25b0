#include "controller/program_context.h"

#include "serial/port_enumeration.h"

namespace intercom {

ProgramContext::ProgramContext(PanelModel& panel, SerialPort& port, Pause pause,
                               const Catalogue& catalogue)
    : panel(panel),
      loggedPort(port),
      port(loggedPort),
      pause(std::move(pause)),
      catalogue(catalogue),
      binding(panel, catalogue),
      listPorts([] { return ListSerialPorts(); }),
      describePort([](const std::string& path) { return DescribeSerialPort(path); }) {}

}  // namespace intercom
