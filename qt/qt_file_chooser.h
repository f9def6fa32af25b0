// The desktop's file dialog for the panel's file choices: application-modal,
// with the request's type list, folder (the user's documents folder when it
// names none), proposed name and suffix.
#pragma once

#include "panel/file_chooser.h"

namespace intercom {

class QtFileChooser final : public FileChooser {
 public:
  // Runs a nested event loop until the dialog is closed.
  std::optional<std::string> Choose(const FileRequest& request) override;
};

}  // namespace intercom
