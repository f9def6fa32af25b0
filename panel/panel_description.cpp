#include "panel/panel_description.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

namespace intercom {
namespace {

// Controls every kind's replies reach, whether its page has them or not.
const std::vector<SettingControl>& SharedControls() {
  static const std::vector<SettingControl> shared = {
      {"tally", {ControlType::Edit, 20}},
      {"device_address", {ControlType::Edit, 11}},
      {"studio", {ControlType::CheckBox, 1}},
  };
  return shared;
}

}  // namespace

PanelDescription::PanelDescription(WindowLayout frame) : window_(std::move(frame)) {
  const auto tabs =
      std::count_if(window_.controls.begin(), window_.controls.end(),
                    [](const ControlLayout& c) { return c.kind == ViewKind::PageControl; });
  if (tabs != 1) throw std::invalid_argument("a main window has one page control");
}

void PanelDescription::AddPage(DevicePage page) {
  if (FindPage(page.kind) != nullptr) return;
  if (page.rows.empty() || page.rows.front().kind != ViewKind::Page) {
    throw std::invalid_argument("a page's rows start with its Page row");
  }
  std::vector<ControlLayout>& rows = window_.controls;
  // The rows lying in the page control, however deep, follow it up to the
  // first row that does not.
  std::set<std::string, std::less<>> inside;
  auto sheetsEnd = rows.end();
  auto contentsEnd = rows.end();
  for (auto row = rows.begin(); row != rows.end(); ++row) {
    if (row->kind == ViewKind::PageControl) {
      inside.insert(row->name);
      sheetsEnd = contentsEnd = std::next(row);
    } else if (inside.contains(std::string_view(row->parent))) {
      inside.insert(row->name);
      if (row->kind == ViewKind::Page) sheetsEnd = std::next(row);
      contentsEnd = std::next(row);
    }
  }
  const auto sheetAt = sheetsEnd - rows.begin();
  const auto contentsAt = contentsEnd - rows.begin() + 1;
  rows.insert(rows.begin() + sheetAt, page.rows.front());
  rows.insert(rows.begin() + contentsAt, std::next(page.rows.begin()), page.rows.end());

  for (const LevelSlider& slider : page.sliders) {
    levels_.push_back(
        {slider.trackBar, slider.downButton, slider.upButton, page.kind, slider.setting});
  }
  for (int group : page.groups) {
    if (!std::binary_search(groups_.begin(), groups_.end(), group)) {
      groups_.insert(std::upper_bound(groups_.begin(), groups_.end(), group), group);
    }
  }
  pages_.push_back(std::move(page));
}

const DevicePage* PanelDescription::FindPage(int32_t kind) const {
  const int index = PageIndex(kind);
  return index < 0 ? nullptr : &pages_[static_cast<size_t>(index)];
}

int PanelDescription::PageIndex(int32_t kind) const {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i].kind == kind) return static_cast<int>(i);
  }
  return -1;
}

const ControlRef* PanelDescription::FindSettingControl(int32_t kind,
                                                       std::string_view setting) const {
  if (const DevicePage* page = FindPage(kind)) {
    for (const SettingControl& c : page->controls) {
      if (setting == c.setting) return &c.control;
    }
  }
  for (const SettingControl& c : SharedControls()) {
    if (setting == c.setting) return &c.control;
  }
  return nullptr;
}

const PanelDescription& StandardPanel() {
  static const PanelDescription panel = [] {
    PanelDescription description(MainWindowFrame());
    for (DevicePage& page : StandardPages()) description.AddPage(std::move(page));
    return description;
  }();
  return panel;
}

}  // namespace intercom
