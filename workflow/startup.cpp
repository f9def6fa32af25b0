#include "workflow/startup.h"

#include <algorithm>
#include <vector>

#include "protocol/send_command.h"
#include "workflow/port_choice.h"
#include "workflow/port_link.h"
#include "workflow/port_list.h"

namespace intercom {
namespace {

constexpr const char* kNoDevice =
    "Ни одно устройство не подключено.\r\n"
    "1. Проверьте наличие питания.\r\n"
    "2. Проверьте настройки COM-порта.\r\n"
    "3. Проверьте соединительные кабеля..";

struct Outcome {
  DeviceKind kind;
  bool keyFieldsEnabled;
  std::vector<int> groups;  // the groups this kind uses, enabled after the reads
  std::vector<CommandCode> reads;
};

const Outcome& OutcomeFor(DeviceKind kind) {
  static const Outcome outcomes[] = {
      {DeviceKind::SubscriberSet,
       true,
       {},
       {CommandCode::ReadDeviceAddress, CommandCode::ReadSettings, CommandCode::ReadStudioMode}},
      {DeviceKind::Splitter, false, {1, 2}, {CommandCode::ReadSettings, CommandCode::ReadLevels}},
      {DeviceKind::BeltPack,
       false,
       {3, 4},
       {CommandCode::ReadSettings, CommandCode::ReadLevels, CommandCode::ReadTallyAddress}},
      {DeviceKind::Switch, false, {5}, {CommandCode::ReadSettings, CommandCode::ReadLevels}},
  };
  return outcomes[static_cast<int>(kind) - 1];
}

void ApplyFound(Session& session, DeviceKind kind) {
  PanelModel& panel = session.panel;
  const Outcome& outcome = OutcomeFor(kind);
  for (int n = 1; n <= 10; ++n) panel.EditAt(n).SetEnabled(outcome.keyFieldsEnabled);
  for (int group = 1; group <= 5; ++group) {
    if (std::find(outcome.groups.begin(), outcome.groups.end(), group) == outcome.groups.end()) {
      panel.GroupBoxAt(group).SetEnabled(false);
    }
  }
  panel.BitBtn2.SetEnabled(true);
  panel.BitBtn4.SetEnabled(true);
  for (CommandCode read : outcome.reads) SendCommand(session, read);
  for (int group : outcome.groups) panel.GroupBoxAt(group).SetEnabled(true);
  panel.PageControl1.ShowPage(static_cast<int>(kind) - 1);
}

void ApplyNoDevice(Session& session) {
  PanelModel& panel = session.panel;
  for (int n = 1; n <= 10; ++n) panel.EditAt(n).SetEnabled(false);
  panel.BitBtn4.SetEnabled(false);
  panel.BitBtn2.SetEnabled(false);
  for (int group = 1; group <= 5; ++group) panel.GroupBoxAt(group).SetEnabled(false);
  panel.PageControl1.ShowPage(4);
  panel.ShowInformation(kNoDevice);
  panel.PageControl1.SetEnabled(false);
}

}  // namespace

void FormShow(Session& session) {
  SessionState& state = session.state;
  SetLevelConstants(state);

  ComboBox& portList = session.panel.Form2.ComboBox1;
  FillPortList(portList, ListPorts(session));
  LoadPortChoice(state, portList.Items(), session.portChoicePath);
  if (StartLink(session)) DiscoverDevice(session);
}

void SetLevelConstants(SessionState& state) {
  state.LevelBase = 32;
  state.LevelMax = 255;
  state.LevelStep = 14;
}

bool StartLink(Session& session) {
  OpenPort(session);
  session.pause(100);
  return ConfigurePort(session);
}

void DiscoverDevice(Session& session) {
  struct ProbeStep {
    DeviceKind kind;
    bool nextPage;
    bool pauseAfter;
  };
  static constexpr ProbeStep kSteps[] = {
      {DeviceKind::SubscriberSet, false, true},
      {DeviceKind::Splitter, false, true},
      {DeviceKind::BeltPack, true, true},
      {DeviceKind::Switch, true, false},
  };

  PanelModel& panel = session.panel;
  panel.PageControl1.SetEnabled(true);
  for (const ProbeStep& step : kSteps) {
    session.state.CurrentDevice = static_cast<int32_t>(step.kind);
    SendCommand(session, CommandCode::Probe);
    if (step.nextPage) panel.PageControl1.ShowNextPage();
    if (step.pauseAfter) session.pause(50);
    // NoAnswer is not reset before a probe: a reply out of sync counts as the
    // exchange before it did.
    if (!session.state.NoAnswer) return ApplyFound(session, step.kind);
  }
  ApplyNoDevice(session);
}

}  // namespace intercom
