#include "panel/device_pages.h"

#include "panel/panel_description.h"

namespace intercom {
namespace {

ControlRef Edit(int n) {
  return {ControlType::Edit, n};
}
ControlRef Bar(int n) {
  return {ControlType::TrackBar, n};
}

}  // namespace

// A row: name, kind, parent, {left, top, width, height}, caption, font
// pixels, accessible name, and for a step button whether it is "+".
std::vector<DevicePage> StandardPages() {
  const ControlRef studio{ControlType::CheckBox, 1};
  // clang-format off
  return {
    {1, true, {},
     {{"key1", Edit(1)}, {"key2", Edit(2)}, {"key3", Edit(3)}, {"key4", Edit(4)},
      {"key5", Edit(5)}, {"key6", Edit(6)}, {"key7", Edit(7)}, {"key8", Edit(8)},
      {"key9", Edit(9)}, {"key10", Edit(10)}, {"studio", studio}, {"device_address", Edit(11)}},
     {},
     {
      {"TabSheet1", ViewKind::Page, "PageControl1", {0, 0, 0, 0}, "Абонентский комплект", 11, ""},
      {"Image1", ViewKind::Picture, "TabSheet1", {0, 64, 769, 281}, "", 11, ""},
      {"Label2", ViewKind::Label, "TabSheet1", {16, 361, 122, 16}, "Адреса абонентов", 15, ""},
      {"Label1", ViewKind::Label, "TabSheet1", {16, 16, 221, 13}, "Адрес устройства должен соответствовать", 11, ""},
      {"Label4", ViewKind::Label, "TabSheet1", {16, 32, 239, 13}, "номеру порта, в который включено устройство", 11, ""},
      {"Edit1", ViewKind::Edit, "TabSheet1", {152, 360, 41, 21}, "", 11, "Адреса абонентов 1"},
      {"Edit2", ViewKind::Edit, "TabSheet1", {216, 360, 41, 21}, "", 11, "Адреса абонентов 2"},
      {"Edit3", ViewKind::Edit, "TabSheet1", {280, 360, 41, 21}, "", 11, "Адреса абонентов 3"},
      {"Edit4", ViewKind::Edit, "TabSheet1", {344, 360, 41, 21}, "", 11, "Адреса абонентов 4"},
      {"Edit5", ViewKind::Edit, "TabSheet1", {408, 360, 41, 21}, "", 11, "Адреса абонентов 5"},
      {"Edit6", ViewKind::Edit, "TabSheet1", {472, 360, 41, 21}, "", 11, "Адреса абонентов 6"},
      {"Edit7", ViewKind::Edit, "TabSheet1", {536, 360, 41, 21}, "", 11, "Адреса абонентов 7"},
      {"Edit8", ViewKind::Edit, "TabSheet1", {600, 360, 41, 21}, "", 11, "Адреса абонентов 8"},
      {"Edit9", ViewKind::Edit, "TabSheet1", {664, 360, 41, 21}, "", 11, "Адреса абонентов 9"},
      {"Edit10", ViewKind::Edit, "TabSheet1", {728, 360, 41, 21}, "", 11, "Адреса абонентов 10"},
      {"CheckBox1", ViewKind::CheckBox, "TabSheet1", {528, 24, 233, 17}, "Устройство работает в студии", 15, ""},
      {"Edit11", ViewKind::Edit, "TabSheet1", {264, 24, 41, 21}, "", 11, "Адрес устройства"},
      {"BitBtn1", ViewKind::Button, "TabSheet1", {312, 24, 153, 25}, "Изменить адрес устройства", 11, ""},
     }},
    {2, false, {1, 2},
     {{"address", Edit(14)}, {"input1", Bar(1)}, {"input2", Bar(2)}, {"input3", Bar(3)},
      {"input4", Bar(4)}},
     {{1, 8, 7, "input1"}, {2, 10, 9, "input2"}, {3, 12, 11, "input3"}, {4, 6, 13, "input4"}},
     {
      {"TabSheet2", ViewKind::Page, "PageControl1", {0, 0, 0, 0}, "Сплиттер", 11, ""},
      {"Image2", ViewKind::Picture, "TabSheet2", {16, 48, 473, 329}, "", 11, ""},
      {"GroupBox1", ViewKind::GroupBox, "TabSheet2", {504, 48, 225, 97}, "", 11, ""},
      {"Label6", ViewKind::Label, "GroupBox1", {72, 16, 84, 13}, "Адрес абонента,", 11, ""},
      {"Label7", ViewKind::Label, "GroupBox1", {40, 32, 144, 13}, " подключенного к сплиттеру", 11, ""},
      {"Edit14", ViewKind::Edit, "GroupBox1", {56, 56, 121, 21}, "", 11, "Адрес абонента, подключенного к сплиттеру"},
      {"GroupBox2", ViewKind::GroupBox, "TabSheet2", {504, 160, 225, 217}, "Настройка уровней телефонных входов", 11, ""},
      {"TrackBar1", ViewKind::TrackBar, "GroupBox2", {40, 24, 150, 45}, "", 11, "Настройка уровней телефонных входов 1"},
      {"TrackBar2", ViewKind::TrackBar, "GroupBox2", {40, 72, 150, 45}, "", 11, "Настройка уровней телефонных входов 2"},
      {"TrackBar3", ViewKind::TrackBar, "GroupBox2", {40, 120, 150, 45}, "", 11, "Настройка уровней телефонных входов 3"},
      {"TrackBar4", ViewKind::TrackBar, "GroupBox2", {40, 168, 150, 45}, "", 11, "Настройка уровней телефонных входов 4"},
      {"BitBtn7", ViewKind::StepButton, "GroupBox2", {192, 24, 25, 25}, "+", 16, "Настройка уровней телефонных входов 1", true},
      {"BitBtn8", ViewKind::StepButton, "GroupBox2", {8, 24, 25, 25}, "-", 16, "Настройка уровней телефонных входов 1"},
      {"BitBtn9", ViewKind::StepButton, "GroupBox2", {192, 72, 25, 25}, "+", 16, "Настройка уровней телефонных входов 2", true},
      {"BitBtn10", ViewKind::StepButton, "GroupBox2", {8, 72, 25, 25}, "-", 16, "Настройка уровней телефонных входов 2"},
      {"BitBtn11", ViewKind::StepButton, "GroupBox2", {192, 120, 25, 25}, "+", 16, "Настройка уровней телефонных входов 3", true},
      {"BitBtn12", ViewKind::StepButton, "GroupBox2", {8, 120, 25, 25}, "-", 16, "Настройка уровней телефонных входов 3"},
      {"BitBtn13", ViewKind::StepButton, "GroupBox2", {192, 168, 25, 25}, "+", 16, "Настройка уровней телефонных входов 4", true},
      {"BitBtn6", ViewKind::StepButton, "GroupBox2", {8, 168, 25, 25}, "-", 16, "Настройка уровней телефонных входов 4"},
     }},
    {3, false, {3, 4},
     {{"address", Edit(15)}, {"volume", Bar(5)}, {"tally", Edit(20)}},
     {{5, 16, 15, "volume"}},
     {
      {"TabSheet3", ViewKind::Page, "PageControl1", {0, 0, 0, 0}, "Напоясный блок", 11, ""},
      {"Image3", ViewKind::Picture, "TabSheet3", {8, 32, 497, 350}, "", 11, ""},
      {"GroupBox3", ViewKind::GroupBox, "TabSheet3", {528, 32, 225, 105}, "", 11, ""},
      {"Label3", ViewKind::Label, "GroupBox3", {72, 16, 87, 13}, "Адрес абонента, ", 11, ""},
      {"Label5", ViewKind::Label, "GroupBox3", {48, 32, 141, 13}, "подключенного к сплиттеру", 11, ""},
      {"Edit15", ViewKind::Edit, "GroupBox3", {56, 56, 121, 21}, "", 11, "Адрес абонента, подключенного к сплиттеру"},
      {"GroupBox4", ViewKind::GroupBox, "TabSheet3", {528, 152, 233, 105}, "Регулировка громкости", 11, ""},
      {"TrackBar5", ViewKind::TrackBar, "GroupBox4", {40, 40, 150, 45}, "", 11, "Регулировка громкости"},
      {"BitBtn15", ViewKind::StepButton, "GroupBox4", {200, 40, 25, 25}, "+", 16, "Регулировка громкости", true},
      {"BitBtn16", ViewKind::StepButton, "GroupBox4", {8, 40, 25, 25}, "-", 16, "Регулировка громкости"},
      {"GroupBox7", ViewKind::GroupBox, "TabSheet3", {528, 280, 233, 97}, "", 11, ""},
      {"Label8", ViewKind::Label, "GroupBox7", {72, 24, 88, 13}, "Адрес входа Tally", 11, ""},
      {"Edit20", ViewKind::Edit, "GroupBox7", {56, 56, 121, 21}, "", 11, "Адрес входа Tally"},
     }},
    {4, false, {5},
     {{"line1", Edit(16)}, {"line2", Edit(17)}, {"line3", Edit(18)}, {"line4", Edit(19)},
      {"volume1", Bar(6)}, {"volume2", Bar(7)}, {"volume3", Bar(8)}, {"volume4", Bar(9)}},
     {{6, 14, 17, "volume1"}, {7, 20, 21, "volume2"}, {8, 22, 23, "volume3"}, {9, 24, 25, "volume4"}},
     {
      {"TabSheet4", ViewKind::Page, "PageControl1", {0, 0, 0, 0}, "Коммутатор", 11, ""},
      {"GroupBox5", ViewKind::GroupBox, "TabSheet4", {496, 24, 257, 153}, "Адреса абонентов телефонных линий", 11, ""},
      {"Edit16", ViewKind::Edit, "GroupBox5", {72, 24, 121, 21}, "", 11, "Адреса абонентов телефонных линий 1"},
      {"Edit17", ViewKind::Edit, "GroupBox5", {72, 56, 121, 21}, "", 11, "Адреса абонентов телефонных линий 2"},
      {"Edit18", ViewKind::Edit, "GroupBox5", {72, 88, 121, 21}, "", 11, "Адреса абонентов телефонных линий 3"},
      {"Edit19", ViewKind::Edit, "GroupBox5", {72, 120, 121, 21}, "", 11, "Адреса абонентов телефонных линий 4"},
      {"GroupBox6", ViewKind::GroupBox, "TabSheet4", {496, 184, 257, 193}, "Установка уровней громкости телефонов", 11, ""},
      {"BitBtn14", ViewKind::StepButton, "GroupBox6", {16, 24, 25, 25}, "-", 16, "Установка уровней громкости телефонов 1"},
      {"BitBtn17", ViewKind::StepButton, "GroupBox6", {216, 24, 25, 25}, "+", 16, "Установка уровней громкости телефонов 1", true},
      {"BitBtn20", ViewKind::StepButton, "GroupBox6", {16, 64, 25, 25}, "-", 16, "Установка уровней громкости телефонов 2"},
      {"BitBtn21", ViewKind::StepButton, "GroupBox6", {216, 64, 25, 25}, "+", 16, "Установка уровней громкости телефонов 2", true},
      {"BitBtn22", ViewKind::StepButton, "GroupBox6", {16, 104, 25, 25}, "-", 16, "Установка уровней громкости телефонов 3"},
      {"BitBtn23", ViewKind::StepButton, "GroupBox6", {216, 104, 27, 25}, "+", 16, "Установка уровней громкости телефонов 3", true},
      {"BitBtn24", ViewKind::StepButton, "GroupBox6", {16, 144, 25, 25}, "-", 16, "Установка уровней громкости телефонов 4"},
      {"BitBtn25", ViewKind::StepButton, "GroupBox6", {216, 144, 25, 25}, "+", 16, "Установка уровней громкости телефонов 4", true},
      {"TrackBar6", ViewKind::TrackBar, "TabSheet4", {552, 208, 150, 45}, "", 11, "Установка уровней громкости телефонов 1"},
      {"TrackBar7", ViewKind::TrackBar, "TabSheet4", {552, 248, 150, 45}, "", 11, "Установка уровней громкости телефонов 2"},
      {"TrackBar8", ViewKind::TrackBar, "TabSheet4", {552, 288, 150, 45}, "", 11, "Установка уровней громкости телефонов 3"},
      {"TrackBar9", ViewKind::TrackBar, "TabSheet4", {552, 328, 150, 45}, "", 11, "Установка уровней громкости телефонов 4"},
     }},
  };
  // clang-format on
}

const ControlRef* FindSettingControl(int32_t kind, std::string_view setting) {
  return StandardPanel().FindSettingControl(kind, setting);
}

}  // namespace intercom
