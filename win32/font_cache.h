// The panel's faces, made once per size and weight and kept for the windows'
// lifetime.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>

namespace intercom {

class FontCache {
 public:
  FontCache() = default;
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;
  ~FontCache();

  // Arial with characters `pixels` high.
  HFONT Get(int pixels, bool bold = false);

 private:
  std::map<std::pair<int, bool>, HFONT> fonts_;
};

// The width in pixels of `text` drawn in `font`.
int TextWidth(HFONT font, const std::wstring& text);

}  // namespace intercom
