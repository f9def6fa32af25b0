// Stepping the nine level sliders with their "-" and "+" buttons.
#pragma once

#include "protocol/session.h"

namespace intercom {

struct LevelControl {
  int trackBar;     // TrackBarN
  int downButton;   // BitBtnN of "-"
  int upButton;     // BitBtnN of "+"
  int32_t channel;  // ChannelSelector sent with SetLevel
};

// The nine sliders with their buttons and channels.
const LevelControl (&LevelControls())[9];

// "+": does nothing when the slider is at 16; otherwise moves it one step up
// and sends SetLevel with its channel and the new level (position 16 -> 255).
void StepLevelUp(Session& session, const LevelControl& control);

// "-": does nothing at 0; otherwise moves one step down and sends SetLevel.
void StepLevelDown(Session& session, const LevelControl& control);

}  // namespace intercom
