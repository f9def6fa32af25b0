#include "win32/described_list.h"

#include <algorithm>

#include "serial/wide_text.h"
#include "win32/font_cache.h"

namespace intercom {
namespace {

// Room left of an item's text and between the item and its description.
constexpr int kMargin = 3;
constexpr int kGap = 12;
constexpr wchar_t kLineJoin[] = L", ";

std::wstring OneLine(const std::string& description) {
  std::wstring line = Wide(description);
  for (size_t at = line.find(L'\n'); at != std::wstring::npos; at = line.find(L'\n', at)) {
    line.replace(at, 1, kLineJoin);
  }
  return line;
}

}  // namespace

void DescribedList::SetFont(HFONT font) {
  font_ = font;
  const HDC dc = GetDC(combo_);
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(combo_, dc);
  SendMessageW(combo_, CB_SETITEMHEIGHT, 0, metrics.tmHeight);
  if (!descriptions_.empty()) Show(std::vector<std::string>(descriptions_));
}

std::wstring DescribedList::ItemText(int index) const {
  const auto length = SendMessageW(combo_, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(
      SendMessageW(combo_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

void DescribedList::Show(const std::vector<std::string>& descriptions) {
  descriptions_ = descriptions;
  lines_.clear();
  int widestItem = 0;
  int widestLine = 0;
  const auto count = static_cast<int>(SendMessageW(combo_, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    widestItem = std::max(widestItem, TextWidth(font_, ItemText(i)));
    lines_.push_back(i < static_cast<int>(descriptions.size()) ? OneLine(descriptions[i]) : L"");
    widestLine = std::max(widestLine, TextWidth(font_, lines_.back()));
  }
  column_ = kMargin + widestItem + kGap;
  // No description: the list keeps the box's width (a smaller width asks for that).
  const int width = widestLine == 0
                        ? 0
                        : column_ + widestLine + kMargin + GetSystemMetrics(SM_CXVSCROLL) +
                              2 * GetSystemMetrics(SM_CXEDGE);
  SendMessageW(combo_, CB_SETDROPPEDWIDTH, std::min(width, GetSystemMetrics(SM_CXSCREEN)), 0);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(combo_, &info) && info.hwndList != nullptr) {
    InvalidateRect(info.hwndList, nullptr, TRUE);
  }
}

void DescribedList::Draw(const DRAWITEMSTRUCT& item) const {
  const HDC dc = item.hDC;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const auto index = static_cast<int>(item.itemID);
  if (index >= 0) {
    const COLORREF text = GetSysColor(disabled   ? COLOR_GRAYTEXT
                                      : selected ? COLOR_HIGHLIGHTTEXT
                                                 : COLOR_WINDOWTEXT);
    // Grey on the highlight would be hard to read: a selected row is all one colour.
    const COLORREF note = selected && !disabled ? text : GetSysColor(COLOR_GRAYTEXT);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, text);
    RECT place = item.rcItem;
    place.left += kMargin;
    const std::wstring name = ItemText(index);
    constexpr UINT kFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &place, kFormat);
    const bool inEdit = (item.itemState & ODS_COMBOBOXEDIT) != 0;
    if (!inEdit && index < static_cast<int>(lines_.size()) && !lines_[index].empty()) {
      SetTextColor(dc, note);
      place.left = item.rcItem.left + column_;
      DrawTextW(dc, lines_[index].c_str(), static_cast<int>(lines_[index].size()), &place, kFormat);
    }
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
  }
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(dc, &item.rcItem);
}

}  // namespace intercom
