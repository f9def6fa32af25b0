#include "panel/window_layout.h"

#include <stdexcept>
#include <string>

#include "panel/panel_description.h"

namespace intercom {

// One entry a line: name, kind, parent, {left, top, width, height}, caption,
// font pixels, accessible name, and for a step button whether it is "+".
// clang-format off

WindowLayout MainWindowFrame() {
  // The trace strip and "Test" lie below the normal client area: in view only
  // in a larger (maximised) window.
  return {"Form1", 778, 455, 195, 215, {
    {"Edit12", ViewKind::Trace, "", {16, 480, 505, 21}, "", 11, "Запросы"},
    {"Edit13", ViewKind::Trace, "", {16, 512, 505, 21}, "", 11, "Ответы"},
    {"BitBtn5", ViewKind::Button, "", {528, 504, 75, 25}, "Clear", 11, ""},
    {"PageControl1", ViewKind::PageControl, "", {0, 0, 777, 417}, "", 11, ""},
    {"BitBtn18", ViewKind::Button, "", {528, 472, 75, 25}, "Test", 11, ""},
    {"BitBtn2", ViewKind::Button, "", {568, 428, 121, 25}, "Записать настройки", 11, ""},
    {"BitBtn3", ViewKind::Button, "", {704, 428, 75, 25}, "Выход", 11, ""},
    {"BitBtn4", ViewKind::Button, "", {432, 428, 121, 25}, "Считать настройки", 11, ""},
    {"BitBtn19", ViewKind::Button, "", {8, 428, 75, 25}, "Обновить", 11, ""},
  }};
}

const WindowLayout& MainWindowLayout() {
  return StandardPanel().MainWindow();
}

// The dialogs' client areas: the address dialog's outer 159 x 127 pixels less
// a sizeable frame (4 pixels a side) and a 19-pixel caption. The port dialog
// is wider and higher than that by the verdict line below its button, which
// wraps over up to four lines.
const WindowLayout& PortDialogLayout() {
  static const WindowLayout layout{"Form2", 260, 164, 445, 317, {
    {"Form2.Label1", ViewKind::Label, "", {24, 16, 103, 13}, "Выберите COM-порт", 11, ""},
    {"Form2.ComboBox1", ViewKind::ComboBox, "", {8, 40, 145, 21}, "", 11, "Выберите COM-порт"},
    {"Form2.BitBtn1", ViewKind::Button, "", {40, 72, 75, 25}, "Выбрать", 11, ""},
    {"Form2.Label2", ViewKind::Label, "", {8, 104, 244, 52}, "", 11, ""},
  }};
  return layout;
}

const WindowLayout& AddressDialogLayout() {
  static const WindowLayout layout{"Form3", 151, 100, 505, 266, {
    {"Form3.Label1", ViewKind::Label, "", {8, 16, 135, 13}, "Задайте адрес устройства", 11, ""},
    {"Form3.Edit1", ViewKind::Edit, "", {48, 40, 57, 21}, "", 11, "Задайте адрес устройства"},
    {"Form3.BitBtn1", ViewKind::Button, "", {40, 72, 75, 25}, "Записать", 11, ""},
  }};
  return layout;
}

// clang-format on

const ControlLayout* FindLayout(const WindowLayout& window, std::string_view name) {
  for (const ControlLayout& control : window.controls) {
    if (name == control.name) return &control;
  }
  return nullptr;
}

const ControlLayout& LayoutOf(const WindowLayout& window, std::string_view name) {
  const ControlLayout* control = FindLayout(window, name);
  if (control == nullptr) {
    throw std::out_of_range(std::string(window.name) + " has no " + std::string(name));
  }
  return *control;
}

bool TakesFocus(ViewKind kind) {
  switch (kind) {
    case ViewKind::PageControl:
    case ViewKind::Edit:
    case ViewKind::Trace:
    case ViewKind::Button:
    case ViewKind::StepButton:
    case ViewKind::TrackBar:
    case ViewKind::CheckBox:
    case ViewKind::ComboBox:
      return true;
    case ViewKind::Page:
    case ViewKind::GroupBox:
    case ViewKind::Label:
    case ViewKind::Picture:
      break;
  }
  return false;
}

}  // namespace intercom
