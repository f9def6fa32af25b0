// Message boxes for the benchmark's drivers: nobody answers them, so each
// returns at once, its text on stderr; a question is answered "no".
#pragma once

#include <iostream>
#include <string>

#include "panel/message_boxes.h"

namespace intercom {

class SilentBoxes : public MessageBoxes {
 public:
  void Show(MessageKind, const std::string& caption, const std::string& text) override {
    std::cerr << "box: " << caption << ": " << text << "\n";
  }
  bool Ask(const std::string& caption, const std::string& text) override {
    std::cerr << "question, answered no: " << caption << ": " << text << "\n";
    return false;
  }
};

}  // namespace intercom
