// Which controls of the main window show which device's settings: one page per
// device kind (by its wire value), the controls of each setting by name, and
// the slider buttons. Data only; the workflow's panel binding reads it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace intercom {

enum class ControlType { Edit, TrackBar, CheckBox };

// EditN, TrackBarN or CheckBox1 (number 1).
struct ControlRef {
  ControlType type;
  int number;
};

struct SettingControl {
  const char* setting;  // the setting's name in the catalogue of kinds
  ControlRef control;
};

struct DevicePage {
  int32_t kind;             // the kind's wire value
  int pageIndex;            // PageControl1's page
  bool keyFieldsEnabled;    // Edit1..Edit10 usable
  std::vector<int> groups;  // GroupBoxN this kind uses
  std::vector<SettingControl> controls;
};

// A slider with its "-" and "+" buttons and the kind and setting whose
// channel its steps send.
struct LevelButtons {
  int trackBar;
  int downButton;
  int upButton;
  int32_t kind;
  const char* setting;
};

const std::vector<DevicePage>& DevicePages();
// Null for a kind without a page.
const DevicePage* FindDevicePage(int32_t kind);
// The control of a setting on that kind's page; for a kind without such a
// setting, the control any reply of it goes to (Edit20 for a Tally input,
// Edit11 for a device address, CheckBox1 for the studio mode); null otherwise.
const ControlRef* FindSettingControl(int32_t kind, std::string_view setting);

const std::vector<LevelButtons>& LevelButtonTable();

}  // namespace intercom
