#include "controller/startup.h"

#include "controller/port_choice.h"
#include "controller/port_list.h"
#include "controller/window_line.h"
#include "device/device_operations.h"

namespace intercom {

void FormShow(ProgramContext& session) {
  SessionState& state = session.state;
  SetLevelConstants(state);

  ComboBox& portList = session.panel.Form2.ComboBox1;
  FillPortList(portList, ListPorts(session));
  LoadPortChoice(state, portList.Items(), session.portChoicePath);
  if (StartLink(session.Line())) DiscoverDevice(session);
}

void DiscoverDevice(ProgramContext& session) {
  Discover(session.Line(), session.binding);
}

}  // namespace intercom
