#include "win32/trace_control.h"

#include <algorithm>

#include "serial/wide_text.h"
#include "win32/dpi_scale.h"

namespace intercom {
namespace {

constexpr wchar_t kClassName[] = L"IntercomTrace";
constexpr int kMargin = 2;
// More bytes than any trace field shows: a character is at least two pixels wide
// and takes at most four bytes.
constexpr size_t kMaxVisibleBytes = 4096;

bool IsContinuation(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The character boundary at or before `at`.
size_t BoundaryBefore(const std::string& text, size_t at) {
  at = std::min(at, text.size());
  while (at > 0 && at < text.size() && IsContinuation(text[at])) --at;
  return at;
}

size_t NextCharacter(const std::string& text, size_t at) {
  if (at >= text.size()) return text.size();
  ++at;
  while (at < text.size() && IsContinuation(text[at])) ++at;
  return at;
}

size_t PreviousCharacter(const std::string& text, size_t at) {
  if (at == 0) return 0;
  --at;
  while (at > 0 && IsContinuation(text[at])) --at;
  return at;
}

}  // namespace

TraceControl::TraceControl(TextField& field, const LayoutRect& place, HWND parent, HFONT font,
                           UINT dpi, HMENU id)
    : field_(field), font_(font), margin_(Scaled(kMargin, dpi)) {
  RegisterTargetClass(kClassName, GetSysColorBrush(COLOR_WINDOW));
  window_ = CreateTargetWindow(*this, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                               WS_EX_CLIENTEDGE, place, parent, id);
}

void TraceControl::SetLook(HFONT font, UINT dpi) {
  font_ = font;
  margin_ = Scaled(kMargin, dpi);
  first_ = std::min(first_, EndInViewStart());
  InvalidateRect(window_, nullptr, TRUE);
}

void TraceControl::ShowField() {
  allSelected_ = false;
  first_ = EndInViewStart();
  InvalidateRect(window_, nullptr, TRUE);
}

int TraceControl::TextAreaWidth() const {
  RECT client;
  GetClientRect(window_, &client);
  return std::max(0, static_cast<int>(client.right) - 2 * margin_);
}

size_t TraceControl::EndInViewStart() const {
  const std::string& text = field_.Text();
  const size_t tailStart =
      BoundaryBefore(text, text.size() - std::min(text.size(), kMaxVisibleBytes));
  const std::wstring tail = Wide(std::string_view(text).substr(tailStart));
  const HDC dc = GetDC(window_);
  const HGDIOBJ old = SelectObject(dc, font_);
  // Characters from the end while they fit, counted back in bytes.
  const int width = TextAreaWidth();
  int used = 0;
  size_t start = text.size();
  size_t index = tail.size();
  while (index > 0) {
    size_t from = index - 1;
    if (from > 0 && IS_LOW_SURROGATE(tail[from])) --from;
    SIZE size{};
    GetTextExtentPoint32W(dc, tail.data() + from, static_cast<int>(index - from), &size);
    if (used + size.cx > width) break;
    used += size.cx;
    index = from;
    start = PreviousCharacter(text, start);
  }
  SelectObject(dc, old);
  ReleaseDC(window_, dc);
  return start;
}

std::wstring TraceControl::VisiblePart() const {
  const std::string& text = field_.Text();
  const size_t first = std::min(first_, text.size());
  const size_t end = BoundaryBefore(text, first + kMaxVisibleBytes);
  return Wide(std::string_view(text).substr(first, end - first));
}

void TraceControl::Scroll(int characters) {
  const std::string& text = field_.Text();
  for (; characters > 0; --characters)
    first_ = std::min(NextCharacter(text, first_), EndInViewStart());
  for (; characters < 0; ++characters) first_ = PreviousCharacter(text, first_);
  InvalidateRect(window_, nullptr, TRUE);
}

void TraceControl::Paint(HDC dc) const {
  RECT client;
  GetClientRect(window_, &client);
  const bool focused = GetFocus() == window_;
  const bool marked = allSelected_ && !field_.Text().empty();
  FillRect(dc, &client, GetSysColorBrush(marked ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const HGDIOBJ old = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(marked ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const std::wstring part = VisiblePart();
  RECT text = client;
  InflateRect(&text, -margin_, 0);
  DrawTextW(dc, part.c_str(), static_cast<int>(part.size()), &text,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  SelectObject(dc, old);
  if (focused) DrawFocusRect(dc, &client);
}

void TraceControl::Copy() const {
  if (!allSelected_ || field_.Text().empty()) return;
  const std::wstring text = Wide(field_.Text());
  if (!OpenClipboard(window_)) return;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
  }
  CloseClipboard();
}

LRESULT TraceControl::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
      Paint(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SIZE:
      InvalidateRect(window, nullptr, TRUE);
      break;
    case WM_LBUTTONDOWN:
      SetFocus(window);
      allSelected_ = false;
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_MOUSEWHEEL:
      Scroll(GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? -8 : 8);
      return 0;
    case WM_KEYDOWN: {
      const bool control = GetKeyState(VK_CONTROL) < 0;
      if (control && wParam == 'A') {
        allSelected_ = true;
        InvalidateRect(window, nullptr, TRUE);
      } else if (control && (wParam == 'C' || wParam == VK_INSERT)) {
        Copy();
      } else if (wParam == VK_HOME) {
        first_ = 0;
        InvalidateRect(window, nullptr, TRUE);
      } else if (wParam == VK_END) {
        first_ = EndInViewStart();
        InvalidateRect(window, nullptr, TRUE);
      } else if (wParam == VK_LEFT || wParam == VK_RIGHT) {
        allSelected_ = false;
        Scroll(wParam == VK_LEFT ? -1 : 1);
      }
      return 0;
    }
    case WM_CHAR:
      // Read-only for the user: typing changes nothing.
      return 0;
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(Wide(field_.Text()).size());
    case WM_GETTEXT: {
      const std::wstring text = Wide(field_.Text());
      const auto room = static_cast<size_t>(wParam);
      if (room == 0) return 0;
      const size_t count = std::min(text.size(), room - 1);
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      std::copy_n(text.data(), count, out);
      out[count] = L'\0';
      return static_cast<LRESULT>(count);
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace intercom
