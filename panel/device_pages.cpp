#include "panel/device_pages.h"

namespace intercom {
namespace {

ControlRef Edit(int n) {
  return {ControlType::Edit, n};
}
ControlRef Bar(int n) {
  return {ControlType::TrackBar, n};
}

const std::vector<SettingControl> kShared = {
    {"tally", Edit(20)},
    {"device_address", Edit(11)},
    {"studio", {ControlType::CheckBox, 1}},
};

}  // namespace

const std::vector<DevicePage>& DevicePages() {
  static const std::vector<DevicePage> pages = {
      {1,
       0,
       true,
       {},
       {{"key1", Edit(1)},
        {"key2", Edit(2)},
        {"key3", Edit(3)},
        {"key4", Edit(4)},
        {"key5", Edit(5)},
        {"key6", Edit(6)},
        {"key7", Edit(7)},
        {"key8", Edit(8)},
        {"key9", Edit(9)},
        {"key10", Edit(10)},
        {"studio", {ControlType::CheckBox, 1}},
        {"device_address", Edit(11)}}},
      {2,
       1,
       false,
       {1, 2},
       {{"address", Edit(14)},
        {"input1", Bar(1)},
        {"input2", Bar(2)},
        {"input3", Bar(3)},
        {"input4", Bar(4)}}},
      {3, 2, false, {3, 4}, {{"address", Edit(15)}, {"volume", Bar(5)}, {"tally", Edit(20)}}},
      {4,
       3,
       false,
       {5},
       {{"line1", Edit(16)},
        {"line2", Edit(17)},
        {"line3", Edit(18)},
        {"line4", Edit(19)},
        {"volume1", Bar(6)},
        {"volume2", Bar(7)},
        {"volume3", Bar(8)},
        {"volume4", Bar(9)}}},
  };
  return pages;
}

const DevicePage* FindDevicePage(int32_t kind) {
  for (const DevicePage& page : DevicePages()) {
    if (page.kind == kind) return &page;
  }
  return nullptr;
}

const ControlRef* FindSettingControl(int32_t kind, std::string_view setting) {
  if (const DevicePage* page = FindDevicePage(kind)) {
    for (const SettingControl& c : page->controls) {
      if (setting == c.setting) return &c.control;
    }
  }
  for (const SettingControl& c : kShared) {
    if (setting == c.setting) return &c.control;
  }
  return nullptr;
}

const std::vector<LevelButtons>& LevelButtonTable() {
  static const std::vector<LevelButtons> table = {
      {1, 8, 7, 2, "input1"},    {2, 10, 9, 2, "input2"},   {3, 12, 11, 2, "input3"},
      {4, 6, 13, 2, "input4"},   {5, 16, 15, 3, "volume"},  {6, 14, 17, 4, "volume1"},
      {7, 20, 21, 4, "volume2"}, {8, 22, 23, 4, "volume3"}, {9, 24, 25, 4, "volume4"},
  };
  return table;
}

}  // namespace intercom
