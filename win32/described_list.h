// The drop-down list of a combo box whose items carry descriptions: the
// list is owner-drawn, each item's description in grey after it, the
// descriptions in one column past the widest item, and the list as wide as
// they need. The edit part shows the item alone, as any combo box does.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace intercom {

class DescribedList {
 public:
  // What the combo box needs at its creation besides its kind.
  static constexpr DWORD kStyle = CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;

  // `combo` has kStyle; SetFont gives the font before the list is shown.
  explicit DescribedList(HWND combo) : combo_(combo) {}

  // Draws with `font` (the combo box's, not owned): the rows are made as high
  // as it and the descriptions' column and the list's width measured again.
  void SetFont(HFONT font);

  // Whether the list shows `descriptions` (the model's, one an item).
  bool Shows(const std::vector<std::string>& descriptions) const {
    return descriptions == descriptions_;
  }
  // Takes `descriptions` for the items the combo box now holds: several lines
  // of one become one line, and the list is widened to fit them (never past
  // the screen).
  void Show(const std::vector<std::string>& descriptions);
  // WM_DRAWITEM for the combo box.
  void Draw(const DRAWITEMSTRUCT& item) const;

 private:
  std::wstring ItemText(int index) const;

  HWND combo_;
  HFONT font_ = nullptr;
  std::vector<std::string> descriptions_;
  std::vector<std::wstring> lines_;
  // Where the descriptions start, from the item's left edge.
  int column_ = 0;
};

}  // namespace intercom
