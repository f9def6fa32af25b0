// The subscriber set's front panel: the JPEG linked into the program as the
// RCDATA resource PANEL_PICTURE (win32/views.rc.in), decoded with the
// system's codecs (WIC).
#pragma once

#include <windows.h>

namespace intercom {

class PanelPicture {
 public:
  // Decodes the picture; COM must be initialised on the calling thread.
  PanelPicture();
  PanelPicture(const PanelPicture&) = delete;
  PanelPicture& operator=(const PanelPicture&) = delete;
  ~PanelPicture();

  // A device-independent bitmap, 769 x 281; null when the resource is missing
  // or cannot be decoded. Valid while this object lives.
  HBITMAP Bitmap() const { return bitmap_; }

 private:
  HBITMAP bitmap_;
};

}  // namespace intercom
