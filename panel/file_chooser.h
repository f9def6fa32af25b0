// Choosing a file with the desktop's file dialog, behind one interface: the Qt
// window code provides the real one, tests a recording one.
#pragma once

#include <optional>
#include <string>

namespace intercom {

enum class FileUse {
  Open,    // an existing file to read
  Save,    // a file to write; replacing one is asked about
  Append,  // a file to add to; an existing one is taken as it is
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // Blocks until the user has chosen a file (its path) or given up (nullopt).
  // `caption` is the dialog's title; `proposed`, when not empty, the file the
  // dialog starts on.
  virtual std::optional<std::string> Choose(FileUse use, const std::string& caption,
                                            const std::string& proposed) = 0;
};

}  // namespace intercom
