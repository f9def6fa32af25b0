// Message boxes as lines on a stream (stderr): "notice: ", "information: " or
// "error: " and the text on one line. Nothing waits for a user.
#pragma once

#include <ostream>
#include <string>

#include "panel/message_boxes.h"

namespace intercom::cli {

class StreamMessageBoxes : public MessageBoxes {
 public:
  explicit StreamMessageBoxes(std::ostream& out) : out_(out) {}

  void Show(MessageKind kind, const std::string& caption, const std::string& text) override;

  // While quiet, boxes are counted but not printed (polling for a device).
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  bool Quiet() const { return quiet_; }
  // Boxes shown since the object was made, printed or not.
  int Count() const { return count_; }
  const std::string& LastText() const { return last_; }

  // The box's line: its kind, then the text with line breaks and the blanks
  // around them folded into one blank.
  static std::string Line(MessageKind kind, const std::string& text);

 private:
  std::ostream& out_;
  bool quiet_ = false;
  int count_ = 0;
  std::string last_;
};

}  // namespace intercom::cli
