#include "win32/held_input.h"

namespace intercom {

void HoldWaitingInput(PanelModel& panel, const std::function<void(MSG&)>& deliver) {
  // Input that keeps coming (the pointer moving) ends the taking: what
  // arrives from now on is the box's.
  const DWORD start = GetTickCount();
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
    panel.WhenIdle([deliver, message]() mutable { deliver(message); });
    if (static_cast<LONG>(message.time - start) > 0) break;
  }
}

}  // namespace intercom
