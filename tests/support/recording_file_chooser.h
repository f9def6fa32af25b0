// A FileChooser that answers from a queue instead of asking, and records what
// it was asked.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "panel/file_chooser.h"

namespace intercom::testing {

class RecordingFileChooser : public FileChooser {
 public:
  // The next answer from `answers`; nothing chosen once they are used up.
  std::optional<std::string> Choose(const FileRequest& request) override {
    asked.push_back(request);
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::deque<std::optional<std::string>> answers;
  std::vector<FileRequest> asked;
};

}  // namespace intercom::testing
