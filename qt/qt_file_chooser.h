// The desktop's file dialog for the panel's file choices: application-modal,
// JSON files offered first for opening and saving, any file for a log.
#pragma once

#include "panel/file_chooser.h"

namespace intercom {

class QtFileChooser final : public FileChooser {
 public:
  // Runs a nested event loop until the dialog is closed.
  std::optional<std::string> Choose(FileUse use, const std::string& caption,
                                    const std::string& proposed) override;
};

}  // namespace intercom
