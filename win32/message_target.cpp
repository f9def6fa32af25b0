#include "win32/message_target.h"

namespace intercom {
namespace {

LRESULT CALLBACK RouteMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* target = reinterpret_cast<MessageTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (target == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return target->HandleMessage(window, message, wParam, lParam);
}

}  // namespace

void RegisterTargetClass(const wchar_t* className, HBRUSH background, HICON icon) {
  WNDCLASSEXW windowClass{};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &windowClass)) return;
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = RouteMessage;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = className;
  RegisterClassExW(&windowClass);
}

HWND CreateTargetWindow(MessageTarget& target, const wchar_t* className, const wchar_t* title,
                        DWORD style, DWORD exStyle, const LayoutRect& place, HWND parent,
                        HMENU menuOrId) {
  return CreateWindowExW(exStyle, className, title, style, place.left, place.top, place.width,
                         place.height, parent, menuOrId, GetModuleHandleW(nullptr), &target);
}

}  // namespace intercom
