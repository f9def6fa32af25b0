// A MessageBoxes that records every box instead of showing it, optionally
// running a callback while a box is "open"; questions are recorded as boxes
// too and answered with `answer`.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "panel/message_boxes.h"

namespace intercom::testing {

struct ShownBox {
  MessageKind kind;
  std::string caption;
  std::string text;
};

class RecordingMessageBoxes : public MessageBoxes {
 public:
  void Show(MessageKind kind, const std::string& caption, const std::string& text) override {
    shown.push_back({kind, caption, text});
    if (whileOpen) whileOpen(shown.back());
  }
  bool Ask(const std::string& caption, const std::string& text) override {
    asked.push_back({MessageKind::Notice, caption, text});
    return answer;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const ShownBox& box : shown) texts.push_back(box.text);
    return texts;
  }

  std::vector<ShownBox> shown;
  std::vector<ShownBox> asked;
  bool answer = true;
  std::function<void(const ShownBox&)> whileOpen;
};

}  // namespace intercom::testing
