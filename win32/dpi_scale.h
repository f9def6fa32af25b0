// The views at the screen's density: the control table is in pixels at 96
// dots per inch, and every length the windows use goes through Scaled, so
// that neighbouring controls stay neighbours at any density.
#pragma once

#include <windows.h>

#include "panel/window_layout.h"

namespace intercom {

// The density the control table is drawn for.
constexpr UINT kTableDpi = 96;

// `length` table pixels at `dpi`, rounded to the nearest pixel.
int Scaled(int length, UINT dpi);
// A rectangle scaled by its edges rather than its size: two controls that
// touch in the table touch at every density.
LayoutRect Scaled(const LayoutRect& place, UINT dpi);

// The density `window` is shown at (the monitor's, for a per-monitor aware
// program); the system's where the system cannot tell per window.
UINT WindowDpi(HWND window);
// The system's density, which windows are first made at; 96 where nothing
// tells.
UINT SystemDpi();

// AdjustWindowRectEx at `dpi`: the frame and menu bar as drawn at that density.
void AdjustFrame(RECT& rect, DWORD style, bool menu, DWORD exStyle, UINT dpi);

// Resizes the top-level `window`, its top left corner kept, so that its client
// area is `width` x `height`; a window of that size already is left alone.
// Measured rather than computed: a menu bar may take more than one line.
void FitClientArea(HWND window, int width, int height);

}  // namespace intercom
