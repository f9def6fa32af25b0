// The subscriber set's front panel: the JPEGs linked into the program as the
// RCDATA resources PANEL_PICTURE and, at two device pixels a pixel,
// PANEL_PICTURE_2X (win32/views.rc.in), decoded with the system's codecs (WIC).
#pragma once

#include <windows.h>

#include <map>

namespace intercom {

class PanelPicture {
 public:
  PanelPicture() = default;
  PanelPicture(const PanelPicture&) = delete;
  PanelPicture& operator=(const PanelPicture&) = delete;
  ~PanelPicture();

  // A device-independent bitmap for a screen of `dpi` dots per inch: 769 x
  // 281 at 96, and that size scaled at other densities (from the denser
  // picture above 96, filtered where its size is not the one wanted). Null
  // when the resource is missing or cannot be decoded. Decoded on the first
  // call for each density, with COM initialised on the calling thread; valid
  // while this object lives.
  HBITMAP Bitmap(UINT dpi);

 private:
  std::map<UINT, HBITMAP> bitmaps_;
};

}  // namespace intercom
