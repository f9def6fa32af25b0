#include "workflow/level_adjustment.h"

#include "protocol/send_command.h"

namespace intercom {
namespace {

void SendLevel(Session& session, const LevelControl& control) {
  SessionState& state = session.state;
  const int position = session.panel.TrackBarAt(control.trackBar).Position();
  state.LevelValue = EncodeLevel(position, state.LevelBase, state.LevelStep, state.LevelMax);
  state.LevelChannel = control.channel;
  SendCommand(session, CommandCode::SetLevel);
}

}  // namespace

const LevelControl (&LevelControls())[9] {
  static const LevelControl controls[9] = {
      {1, 8, 7, kChannel1},
      {2, 10, 9, kChannel2},
      {3, 12, 11, kChannel3},
      {4, 6, 13, kChannel4},
      {5, 16, 15, kChannelBeltPackVolume},
      {6, 14, 17, kChannel1},
      {7, 20, 21, kChannel2},
      {8, 22, 23, kChannel3},
      {9, 24, 25, kChannel4},
  };
  return controls;
}

void StepLevelUp(Session& session, const LevelControl& control) {
  // Each slider has its own top: another slider sitting at 16 does not block this one.
  TrackBar& bar = session.panel.TrackBarAt(control.trackBar);
  if (bar.Position() >= TrackBar::kMax) return;
  bar.SetPosition(bar.Position() + 1);
  SendLevel(session, control);
}

void StepLevelDown(Session& session, const LevelControl& control) {
  TrackBar& bar = session.panel.TrackBarAt(control.trackBar);
  if (bar.Position() <= TrackBar::kMin) return;
  bar.SetPosition(bar.Position() - 1);
  SendLevel(session, control);
}

}  // namespace intercom
