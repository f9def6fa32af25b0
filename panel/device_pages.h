// One page of the main window per device kind: which controls show which of
// the kind's settings, its slider buttons and where all of it lies. Data
// only; a PanelDescription puts the pages into the window.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "panel/window_layout.h"

namespace intercom {

enum class ControlType { Edit, TrackBar, CheckBox };

// EditN, TrackBarN or CheckBoxN.
struct ControlRef {
  ControlType type;
  int number;
};

struct SettingControl {
  const char* setting;  // the setting's name in the catalogue of kinds
  ControlRef control;
};

// A slider with its "-" and "+" buttons and the setting whose channel its
// steps send.
struct LevelSlider {
  int trackBar;
  int downButton;
  int upButton;
  const char* setting;
};

// A slider's buttons with the kind whose setting its steps send.
struct LevelButtons {
  int trackBar;
  int downButton;
  int upButton;
  int32_t kind;
  const char* setting;
};

struct DevicePage {
  int32_t kind;             // the kind's wire value
  bool keyFieldsEnabled;    // Edit1..Edit10 usable
  std::vector<int> groups;  // GroupBoxN this kind uses
  std::vector<SettingControl> controls;
  std::vector<LevelSlider> sliders;
  // Its Page row first, then what lies on it, containers before their
  // contents, in tab order. The controls named here exist in the panel model
  // once the page is part of its description.
  std::vector<ControlLayout> rows;
};

// The pages of the four kinds of the installation, in the order of their tabs.
std::vector<DevicePage> StandardPages();

// StandardPanel().FindSettingControl(kind, setting): where the window of the
// four kinds shows a setting.
const ControlRef* FindSettingControl(int32_t kind, std::string_view setting);

}  // namespace intercom
