// The three modal message boxes as QMessageBox: application-modal, centred on
// the screen, one "OK" button; the question likewise, with "Да" and "Нет".
#pragma once

#include "panel/message_boxes.h"

namespace intercom {

class QtMessageBoxes final : public MessageBoxes {
 public:
  // Runs a nested event loop until the box is dismissed; no other window of
  // the program takes input meanwhile. Notice: no icon; Information: the
  // information icon; Error: the critical icon. `caption` is the box's title.
  void Show(MessageKind kind, const std::string& caption, const std::string& text) override;
  // The question icon; "Нет" is the default and Escape's answer.
  bool Ask(const std::string& caption, const std::string& text) override;
};

}  // namespace intercom
