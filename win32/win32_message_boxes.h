// The message boxes of the Win32 views: MessageBoxW, task-modal, so that no
// window of the program takes input while one is open.
#pragma once

#include <windows.h>

#include "panel/message_boxes.h"

namespace intercom {

class Win32MessageBoxes : public MessageBoxes {
 public:
  void Show(MessageKind kind, const std::string& caption, const std::string& text) override;
  // "Да" and "Нет" whatever the language of the system; "Нет" is the default.
  bool Ask(const std::string& caption, const std::string& text) override;
};

}  // namespace intercom
