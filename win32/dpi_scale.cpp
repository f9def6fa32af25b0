#include "win32/dpi_scale.h"

namespace intercom {
namespace {

// The per-monitor calls came with Windows 10 (1607); the program also starts
// where user32 lacks them.
template <typename Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

}  // namespace

int Scaled(int length, UINT dpi) {
  return MulDiv(length, static_cast<int>(dpi), static_cast<int>(kTableDpi));
}

LayoutRect Scaled(const LayoutRect& place, UINT dpi) {
  const int left = Scaled(place.left, dpi);
  const int top = Scaled(place.top, dpi);
  return {left, top, Scaled(place.left + place.width, dpi) - left,
          Scaled(place.top + place.height, dpi) - top};
}

UINT WindowDpi(HWND window) {
  static const auto forWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (forWindow != nullptr && window != nullptr) {
    if (const UINT dpi = forWindow(window); dpi != 0) return dpi;
  }
  return SystemDpi();
}

UINT SystemDpi() {
  static const auto forSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
  if (forSystem != nullptr) {
    if (const UINT dpi = forSystem(); dpi != 0) return dpi;
  }
  // Before Windows 10 the screen's density is the system's.
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kTableDpi;
}

void AdjustFrame(RECT& rect, DWORD style, bool menu, DWORD exStyle, UINT dpi) {
  static const auto forDpi = User32Function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
  if (forDpi != nullptr) {
    forDpi(&rect, style, menu, exStyle, dpi);
  } else {
    AdjustWindowRectEx(&rect, style, menu, exStyle);
  }
}

void FitClientArea(HWND window, int width, int height) {
  // A second round when a wider window folds the menu bar into fewer lines.
  for (int round = 0; round < 2; ++round) {
    RECT client;
    GetClientRect(window, &client);
    if (client.right == width && client.bottom == height) return;
    RECT outer;
    GetWindowRect(window, &outer);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + width - client.right,
                 outer.bottom - outer.top + height - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace intercom
