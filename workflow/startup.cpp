#include "workflow/startup.h"

#include "workflow/device_operations.h"
#include "workflow/port_choice.h"
#include "workflow/port_link.h"
#include "workflow/port_list.h"

namespace intercom {

void FormShow(ProgramContext& session) {
  SessionState& state = session.state;
  SetLevelConstants(state);

  ComboBox& portList = session.panel.Form2.ComboBox1;
  FillPortList(portList, ListPorts(session));
  LoadPortChoice(state, portList.Items(), session.portChoicePath);
  if (StartLink(session.Line())) DiscoverDevice(session);
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

void DiscoverDevice(ProgramContext& session) {
  Discover(session.Line(), session.binding);
}

}  // namespace intercom
