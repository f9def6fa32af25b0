// A FileChooser that answers from a queue instead of asking, and records what
// it was asked.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "panel/file_chooser.h"

namespace intercom::testing {

struct FileQuestion {
  FileUse use;
  std::string caption;
  std::string proposed;
};

class RecordingFileChooser : public FileChooser {
 public:
  // The next answer from `answers`; nothing chosen once they are used up.
  std::optional<std::string> Choose(FileUse use, const std::string& caption,
                                    const std::string& proposed) override {
    asked.push_back({use, caption, proposed});
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::deque<std::optional<std::string>> answers;
  std::vector<FileQuestion> asked;
};

}  // namespace intercom::testing
