// The page of the made-up paging kind (paging_kind.h), as its description
// for both windows: its zones in a group, its gain slider with its buttons
// and its Tally input, under names the four kinds' pages do not use.
#pragma once

#include "panel/panel_description.h"
#include "tests/support/paging_kind.h"

namespace intercom::testing {

inline DevicePage PagingPage() {
  const auto edit = [](int n) { return ControlRef{ControlType::Edit, n}; };
  // clang-format off
  return {static_cast<int32_t>(kPaging), false, {8},
    {{"zone1", edit(40)}, {"zone2", edit(41)}, {"zone3", edit(42)},
     {"gain", {ControlType::TrackBar, 20}}, {"tally", edit(43)}},
    {{20, 59, 60, "gain"}},
    {
      {"TabSheet5", ViewKind::Page, "PageControl1", {0, 0, 0, 0}, "Оповещение", 11, ""},
      {"GroupBox8", ViewKind::GroupBox, "TabSheet5", {16, 16, 257, 121}, "Зоны", 11, ""},
      {"Edit40", ViewKind::Edit, "GroupBox8", {72, 24, 121, 21}, "", 11, "Зоны 1"},
      {"Edit41", ViewKind::Edit, "GroupBox8", {72, 56, 121, 21}, "", 11, "Зоны 2"},
      {"Edit42", ViewKind::Edit, "GroupBox8", {72, 88, 121, 21}, "", 11, "Зоны 3"},
      {"BitBtn59", ViewKind::StepButton, "TabSheet5", {296, 40, 25, 25}, "-", 16, "Усиление"},
      {"TrackBar20", ViewKind::TrackBar, "TabSheet5", {328, 40, 150, 45}, "", 11, "Усиление"},
      {"BitBtn60", ViewKind::StepButton, "TabSheet5", {488, 40, 25, 25}, "+", 16, "Усиление", true},
      {"Edit43", ViewKind::Edit, "TabSheet5", {328, 120, 121, 21}, "", 11, "Адрес входа Tally"},
    }};
  // clang-format on
}

// The four kinds' window with the paging kind's page added.
inline PanelDescription WithPagingPage() {
  PanelDescription description = StandardPanel();
  description.AddPage(PagingPage());
  return description;
}

}  // namespace intercom::testing
