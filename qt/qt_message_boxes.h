// The three modal message boxes as QMessageBox: application-modal, one "OK"
// button, wide enough for their title; the question likewise, with "Да" and "Нет".
#pragma once

#include "panel/message_boxes.h"

class QWidget;

namespace intercom {

class QtMessageBoxes final : public MessageBoxes {
 public:
  // From here on boxes belong to `owner` (the main window; null: to none):
  // they stay in front of it and are centred on it by the platform. A box
  // with no owner, or whose owner is hidden, is centred on the screen where
  // the program may place windows (not on Wayland). `owner` must outlive its use.
  void SetOwner(QWidget* owner) { owner_ = owner; }

  // Runs a nested event loop until the box is dismissed; no other window of
  // the program takes input meanwhile. Notice: no icon; Information: the
  // information icon; Error: the critical icon. `caption` is the box's title.
  void Show(MessageKind kind, const std::string& caption, const std::string& text) override;
  // The question icon; "Нет" is the default and Escape's answer.
  bool Ask(const std::string& caption, const std::string& text) override;

 private:
  // The owner while it is shown, else null.
  QWidget* Owner() const;

  QWidget* owner_ = nullptr;
};

}  // namespace intercom
