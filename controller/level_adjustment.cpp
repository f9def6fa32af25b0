#include "controller/level_adjustment.h"

#include "device/device_operations.h"

namespace intercom {
namespace {

void Step(ProgramContext& context, const LevelButtons& buttons, int by) {
  // Each slider has its own end: another slider sitting at 16 does not block this one.
  TrackBar& bar = context.binding.Slider(buttons);
  const int target = bar.Position() + by;
  if (target < TrackBar::kMin || target > TrackBar::kMax) return;
  bar.SetPosition(target);
  if (const SettingEntry* level = context.binding.LevelSetting(buttons)) {
    SetLevel(context.Line(), *level, bar.Position(), context.binding);
  }
}

}  // namespace

void StepLevelUp(ProgramContext& context, const LevelButtons& buttons) {
  Step(context, buttons, +1);
}

void StepLevelDown(ProgramContext& context, const LevelButtons& buttons) {
  Step(context, buttons, -1);
}

}  // namespace intercom
