// The wait cursor over the program's windows while an action runs and does
// not wait for the user (PanelModel::Busy). A window that is busy reads no
// messages, so the cursor is set at each change of the state, and each window
// gives it whenever the system asks (WM_SETCURSOR) while busy. Over a box or
// dialog the action opens, and once the action is over, the windows show
// their usual cursors again.
#pragma once

#include <windows.h>

#include "panel/panel_model.h"

namespace intercom {

// WM_SETCURSOR of a window of the program: while `panel` is busy sets the
// wait cursor and is true (the message is answered); false otherwise, when
// the message goes on to DefWindowProc.
bool SetBusyCursor(const PanelModel& panel);

// Shows at once the cursor due now when the pointer lies over a window of
// this thread: the wait cursor while `panel` is busy, else what that window
// asks for. Elsewhere the cursor belongs to another program and is left alone.
void RefreshCursor(const PanelModel& panel);

}  // namespace intercom
