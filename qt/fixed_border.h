// A window frame the user cannot resize by dragging its edges, which still
// offers moving, minimising, maximising and closing.
#pragma once

class QWidget;

namespace intercom {

// Tells the window manager (X11: the Motif hints) that `window` has a border
// without resize handles, with the title bar buttons minimise, maximise and
// close. The window keeps no fixed size of its own, so that the window manager
// lets it be maximised. Call after the native window exists and before it
// is mapped (from showEvent); nothing happens on other platforms.
void KeepBorderFixed(QWidget& window);

}  // namespace intercom
