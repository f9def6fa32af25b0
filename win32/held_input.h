// Input given to the windows while an action runs waits for the action, in
// the order it was given. The action reads no messages while it runs (its
// pauses between requests included), so the input waits in the thread's
// queue and the message loop takes it up afterwards; but a box or file dialog
// the action opens disables the windows, and its own loop would drop the
// input waiting for them. Just before it opens, that input is taken off the
// queue and handed to the model (PanelModel::WhenIdle), which delivers it
// once the outermost handler has returned. Input given to the other windows
// while the box is open is still ignored.
#pragma once

#include <windows.h>

#include <functional>

#include "panel/panel_model.h"

namespace intercom {

// Takes the keyboard and mouse input waiting in this thread's queue, in its
// order, and has `deliver` called for each message once no handler of
// `panel` runs (at once when none runs now). Call while the windows are
// still enabled, before the box or dialog opens.
void HoldWaitingInput(PanelModel& panel, const std::function<void(MSG&)>& deliver);

}  // namespace intercom
