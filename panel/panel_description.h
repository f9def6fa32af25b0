// The main window as data: its layout and the page of each device kind. The
// panel model makes its controls from it, both sets of views build the window
// from it and the panel binding finds a kind's page and controls in it; a
// kind's page is one AddPage.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "panel/device_pages.h"
#include "panel/window_layout.h"

namespace intercom {

class PanelDescription {
 public:
  // A window with no device page yet; `frame` holds one PageControl row.
  explicit PanelDescription(WindowLayout frame);

  // The page becomes the page control's last tab: its Page row follows the
  // other pages' rows, and what lies on it follows what lies on them. A kind
  // with a page already keeps that one.
  void AddPage(DevicePage page);

  const WindowLayout& MainWindow() const { return window_; }
  const std::vector<DevicePage>& Pages() const { return pages_; }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Null for a kind without a page.
  const DevicePage* FindPage(int32_t kind) const;
  // The page control's index of the kind's page; -1 for a kind without one.
  int PageIndex(int32_t kind) const;
  // The control of a setting on that kind's page; for a kind without such a
  // setting, the control any reply of it goes to (Edit20 for a Tally input,
  // Edit11 for a device address, CheckBox1 for the studio mode); null
  // otherwise.
  const ControlRef* FindSettingControl(int32_t kind, std::string_view setting) const;
  // Every page's sliders, page by page.
  const std::vector<LevelButtons>& Levels() const { return levels_; }
  // The GroupBoxN some page uses, ascending.
  const std::vector<int>& DeviceGroups() const { return groups_; }

 private:
  WindowLayout window_;
  std::vector<DevicePage> pages_;
  std::vector<LevelButtons> levels_;
  std::vector<int> groups_;
};

// The window with the pages of the four kinds of the installation.
const PanelDescription& StandardPanel();

}  // namespace intercom
