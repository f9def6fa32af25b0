// A tab page or a group box as a real parent window: disabling it disables
// everything inside, while the container and its controls keep their look.
// Both are painted in the button-face colour; a group box draws its etched
// frame with the caption on the top line. The controls' notifications go on
// to `forward` (the window that binds them to the model).
#pragma once

#include <windows.h>

#include <string>

#include "panel/window_layout.h"
#include "win32/message_target.h"

namespace intercom {

class ContainerWindow : public MessageTarget {
 public:
  // Made at `place` (in `parent`'s client area); `font` is the caption's, at
  // `dpi`. `forward` must outlive the container.
  ContainerWindow(const ControlLayout& layout, const LayoutRect& place, HWND parent, HFONT font,
                  UINT dpi, MessageTarget& forward);
  ContainerWindow(const ContainerWindow&) = delete;
  ContainerWindow& operator=(const ContainerWindow&) = delete;

  HWND Handle() const { return window_; }
  // The caption's font and the frame's density changed.
  void SetLook(HFONT font, UINT dpi);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PaintFrame(HDC dc) const;

  bool group_;
  std::wstring caption_;
  HFONT font_;
  UINT dpi_;
  MessageTarget& forward_;
  HWND window_;
};

// The colour answer for WM_CTLCOLORSTATIC and WM_CTLCOLORBTN: controls on a
// container (labels, check boxes, trackbars) in the button face.
LRESULT ButtonFaceBackground(WPARAM deviceContext);

}  // namespace intercom
