// Stepping the nine level sliders with their "-" and "+" buttons.
#pragma once

#include "controller/program_context.h"
#include "panel/device_pages.h"

namespace intercom {

// "+": does nothing when the slider is at 16; otherwise moves it one step up
// and sends SetLevel with its channel and the new level (position 16 -> 255).
void StepLevelUp(ProgramContext& context, const LevelButtons& buttons);

// "-": does nothing at 0; otherwise moves one step down and sends SetLevel.
void StepLevelDown(ProgramContext& context, const LevelButtons& buttons);

}  // namespace intercom
