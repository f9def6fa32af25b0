// A window's client area as it is on the screen, for tests that check what
// was drawn rather than what the window says of itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace intercom {

class ClientShot {
 public:
  // Paints `window` and everything in it anew, then copies its client area
  // from the screen: the window must be in view and uncovered.
  explicit ClientShot(HWND window);

  int Width() const { return width_; }
  int Height() const { return height_; }
  COLORREF At(int x, int y) const;
  // The smallest rectangle holding every pixel of `area` (client
  // coordinates, clipped to the client area) whose colour is not
  // `background`; empty when there is none.
  RECT Drawn(RECT area, COLORREF background) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;  // 0x00RRGGBB, top row first
};

}  // namespace intercom
