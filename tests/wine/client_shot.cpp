#include "tests/wine/client_shot.h"

#include <algorithm>

namespace intercom {

ClientShot::ClientShot(HWND window) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client;
  GetClientRect(window, &client);
  width_ = client.right;
  height_ = client.bottom;
  pixels_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
  // The window's own device context reads what its children drew over it too.
  const HDC screen = GetDC(window);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width_, height_);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width_;
  format.bmiHeader.biHeight = -height_;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height_), pixels_.data(), &format, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);
}

COLORREF ClientShot::At(int x, int y) const {
  const std::uint32_t pixel =
      pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
  return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

RECT ClientShot::Drawn(RECT area, COLORREF background) const {
  RECT found{};
  const int right = std::min<int>(area.right, width_);
  const int bottom = std::min<int>(area.bottom, height_);
  for (int y = std::max<int>(area.top, 0); y < bottom; ++y) {
    for (int x = std::max<int>(area.left, 0); x < right; ++x) {
      if (At(x, y) == background) continue;
      const RECT pixel{x, y, x + 1, y + 1};
      UnionRect(&found, &found, &pixel);
    }
  }
  return found;
}

}  // namespace intercom
