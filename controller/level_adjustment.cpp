#include "controller/level_adjustment.h"

#include "device/device_operations.h"

namespace intercom {
namespace {

void Step(ProgramContext& context, const LevelButtons& buttons, int by) {
  const std::optional<int> position = context.binding.MoveSlider(buttons, by);
  if (!position) return;
  if (const SettingEntry* level = context.binding.LevelSetting(buttons)) {
    SetLevel(context.Line(), *level, *position, context.binding);
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
