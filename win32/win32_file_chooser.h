// The file dialog of the Win32 views: the system's open and save dialogs.
#pragma once

#include <windows.h>

#include "panel/file_chooser.h"

namespace intercom {

class Win32FileChooser : public FileChooser {
 public:
  // The dialog is owned by `owner` once one is set (the main window).
  void SetOwner(HWND owner) { owner_ = owner; }
  std::optional<std::string> Choose(const FileRequest& request) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace intercom
