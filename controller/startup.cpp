#include "controller/startup.h"

#include "controller/port_choice.h"
#include "controller/port_list.h"
#include "controller/window_line.h"
#include "device/device_operations.h"

namespace intercom {

void FormShow(ProgramContext& context) {
  SessionState& state = context.state;
  SetLevelConstants(state);

  const std::vector<std::string> ports = ListPorts(context);
  context.binding.ShowPortList(ports);
  LoadPortChoice(state, ports, context.portChoicePath);
  if (StartLink(context.Line())) DiscoverDevice(context);
}

void DiscoverDevice(ProgramContext& context) {
  Discover(context.Line(), context.binding);
}

}  // namespace intercom
