#include "win32/container_window.h"

#include "serial/wide_text.h"
#include "win32/dpi_scale.h"

namespace intercom {
namespace {

constexpr wchar_t kClassName[] = L"IntercomContainer";

}  // namespace

LRESULT ButtonFaceBackground(WPARAM deviceContext) {
  const auto dc = reinterpret_cast<HDC>(deviceContext);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

ContainerWindow::ContainerWindow(const ControlLayout& layout, const LayoutRect& place, HWND parent,
                                 HFONT font, UINT dpi, MessageTarget& forward)
    : group_(layout.kind == ViewKind::GroupBox),
      caption_(Wide(layout.caption)),
      font_(font),
      dpi_(dpi),
      forward_(forward) {
  RegisterTargetClass(kClassName, GetSysColorBrush(COLOR_BTNFACE));
  // WS_EX_CONTROLPARENT: the dialog navigation (Tab) walks into it.
  window_ = CreateTargetWindow(*this, kClassName, caption_.c_str(),
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, place,
                               parent, nullptr);
}

void ContainerWindow::SetLook(HFONT font, UINT dpi) {
  font_ = font;
  dpi_ = dpi;
  InvalidateRect(window_, nullptr, TRUE);
}

LRESULT ContainerWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_NOTIFY:
    case WM_DRAWITEM:
      return forward_.HandleMessage(window, message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ButtonFaceBackground(wParam);
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
      if (group_) PaintFrame(dc);
      EndPaint(window, &paint);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void ContainerWindow::PaintFrame(HDC dc) const {
  const HGDIOBJ oldFont = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  RECT frame;
  GetClientRect(window_, &frame);
  frame.top += metrics.tmHeight / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (!caption_.empty()) {
    // Drawn in the enabled look whatever the state: a disabled box only
    // keeps its controls from input.
    SIZE size{};
    GetTextExtentPoint32W(dc, caption_.c_str(), static_cast<int>(caption_.size()), &size);
    const int indent = Scaled(8, dpi_);
    RECT text{indent, 0, indent + size.cx + Scaled(4, dpi_), size.cy};
    FillRect(dc, &text, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &text,
              DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  SelectObject(dc, oldFont);
}

}  // namespace intercom
