#include "panel/controls.h"

#include <algorithm>

#include "panel/panel_model.h"

namespace intercom {

Control::Control(PanelModel& panel, std::string name, bool enabled, bool visible)
    : panel_(panel), name_(std::move(name)), enabled_(enabled), visible_(visible) {}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Changed();
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Changed();
}

void Control::Changed() {
  panel_.NotifyChanged(*this);
}

void Control::Raise(const Handler& handler) {
  if (handler) panel_.RunHandler(handler);
}

void TextField::SetText(const std::string& text) {
  if (text_ == text) return;
  const size_t common = std::min(text_.size(), text.size());
  size_t kept = static_cast<size_t>(
      std::mismatch(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(common),
                    text.begin())
          .first -
      text_.begin());
  // Where the texts part inside a multi-byte character, that whole character changed.
  const auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
  while (kept > 0 && ((kept < text_.size() && continuation(text_[kept])) ||
                      (kept < text.size() && continuation(text[kept])))) {
    --kept;
  }
  text_ = text;
  Took(kept);
}

void TextField::Append(const std::string& tail) {
  if (tail.empty()) return;
  const size_t kept = text_.size();
  text_ += tail;
  Took(kept);
}

void TextField::Took(size_t keptPrefix) {
  ++revision_;
  keptPrefix_ = keptPrefix;
  Changed();
  Raise(OnChange);
}

void TrackBar::SetPosition(int position) {
  const int clamped = std::clamp(position, kMin, kMax);
  if (position_ == clamped) return;
  position_ = clamped;
  Changed();
}

void CheckBox::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Changed();
  Raise(OnClick);
}

PageControl::PageControl(PanelModel& panel, std::string name, int initialPage, int pageCount)
    : Control(panel, std::move(name)), active_(initialPage), pageCount_(pageCount) {}

void PageControl::ShowPage(int index) {
  const int page = (index >= 0 && index < pageCount_) ? index : kNoPage;
  if (active_ == page) return;
  active_ = page;
  Changed();
}

void PageControl::ShowNextPage() {
  ShowPage(active_ == kNoPage ? 0 : (active_ + 1) % pageCount_);
}

void PageControl::SelectTab(int index) {
  if (Enabled()) ShowPage(index);
}

void ComboBox::ClearItems() {
  items_.clear();
  descriptions_.clear();
  itemIndex_ = -1;
  Changed();
}

void ComboBox::AddItem(const std::string& item, const std::string& description) {
  items_.push_back(item);
  descriptions_.push_back(description);
  Changed();
}

void ComboBox::SetItemIndex(int index) {
  const bool newText = index >= 0 && index < Count() && text_ != items_[static_cast<size_t>(index)];
  if (index >= 0 && index < Count()) {
    itemIndex_ = index;
    text_ = items_[static_cast<size_t>(index)];
  } else {
    itemIndex_ = -1;
  }
  Changed();
  if (newText) Raise(OnChange);
}

void ComboBox::SetText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  // Typed or written text selects the item it equals, as a live combo box does.
  const auto it = std::find(items_.begin(), items_.end(), text_);
  itemIndex_ = it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
  Changed();
  Raise(OnChange);
}

void TextLabel::SetText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  Changed();
}

Window::Window(PanelModel& panel, std::string name)
    : Control(panel, std::move(name), true, false) {}

void Window::Show() {
  if (Visible()) {
    // Nothing changes; the view brings the window back in front of the others.
    Changed();
    return;
  }
  Raise(OnShow);
  SetVisible(true);
}

void Window::Close() {
  SetVisible(false);
}

void Window::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  Changed();
}

}  // namespace intercom
