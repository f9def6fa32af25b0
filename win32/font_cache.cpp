#include "win32/font_cache.h"

#include <string>

namespace intercom {

FontCache::~FontCache() {
  for (const auto& [key, font] : fonts_) DeleteObject(font);
}

HFONT FontCache::Get(int pixels, bool bold) {
  HFONT& font = fonts_[{pixels, bold}];
  if (font == nullptr) {
    // A negative height asks for the character height rather than the cell's.
    font = CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"Arial");
  }
  return font;
}

int TextWidth(HFONT font, const std::wstring& text) {
  const HDC screen = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(screen, font);
  SIZE size{};
  GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return size.cx;
}

}  // namespace intercom
