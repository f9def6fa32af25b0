#include "controller/level_adjustment.h"

#include "device/device_operations.h"

namespace intercom {
namespace {

void Step(ProgramContext& session, const LevelButtons& buttons, int by) {
  // Each slider has its own end: another slider sitting at 16 does not block this one.
  TrackBar& bar = session.binding.Slider(buttons);
  const int target = bar.Position() + by;
  if (target < TrackBar::kMin || target > TrackBar::kMax) return;
  bar.SetPosition(target);
  if (const SettingEntry* level = session.binding.LevelSetting(buttons)) {
    SetLevel(session.Line(), *level, bar.Position(), session.binding);
  }
}

}  // namespace

void StepLevelUp(ProgramContext& session, const LevelButtons& buttons) {
  Step(session, buttons, +1);
}

void StepLevelDown(ProgramContext& session, const LevelButtons& buttons) {
  Step(session, buttons, -1);
}

}  // namespace intercom
