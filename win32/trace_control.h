// The request and reply traces (Edit12, Edit13): a one-line field showing its
// TextField however long it grows, at a cost that does not grow with it. Only
// the characters in view are converted, measured and drawn; the text itself is
// read from the field, never copied. Ctrl+A selects all, Ctrl+C copies the
// selection, Home/End/arrows and the wheel scroll. WM_GETTEXT answers the
// whole text (in UTF-16), for assistive technology and tests.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "panel/controls.h"
#include "panel/window_layout.h"
#include "win32/message_target.h"

namespace intercom {

class TraceControl : public MessageTarget {
 public:
  // Made at `place` in `parent`, its text in `font` at `dpi`. `field` must
  // outlive the control.
  TraceControl(TextField& field, const LayoutRect& place, HWND parent, HFONT font, UINT dpi,
               HMENU id);
  TraceControl(const TraceControl&) = delete;
  TraceControl& operator=(const TraceControl&) = delete;

  HWND Handle() const { return window_; }
  // The field changed: the selection is cleared and the end comes into view,
  // as a line edit's setText does.
  void ShowField();
  // The font and the margins' density changed. The selection and the first
  // character shown stay, scrolled back no further than where the end of the
  // text meets the right edge.
  void SetLook(HFONT font, UINT dpi);
  bool AllSelected() const { return allSelected_; }
  // The byte of the field's text shown at the left edge.
  size_t FirstShown() const { return first_; }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // What is in view from `first_`: at most as many characters as fit.
  std::wstring VisiblePart() const;
  size_t EndInViewStart() const;
  void Scroll(int characters);
  void Paint(HDC dc) const;
  void Copy() const;
  int TextAreaWidth() const;

  TextField& field_;
  HFONT font_;
  int margin_;
  HWND window_;
  size_t first_ = 0;
  bool allSelected_ = false;
};

}  // namespace intercom
