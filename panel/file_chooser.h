// Choosing a file with the desktop's file dialog, behind one interface: each
// window code provides the real one, tests a recording one. What a dialog
// offers (its type list, its folder, its suffix) is decided here, in the
// request, so that both windows show the same.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace intercom {

enum class FileUse {
  Open,    // an existing file to read
  Save,    // a file to write; replacing one is asked about
  Append,  // a file to add to; an existing one is taken as it is
};

// One entry of a dialog's type list.
struct FileFilter {
  std::string name;                   // "Настройки устройства"
  std::vector<std::string> patterns;  // {"*.json"}; "*" is any file
};

// The entry as a dialog shows it: the name, then the patterns in brackets,
// separated by blanks ("Журнал (*.log *.txt)").
inline std::string FilterText(const FileFilter& filter) {
  std::string text = filter.name + " (";
  for (size_t i = 0; i < filter.patterns.size(); ++i) {
    text += (i == 0 ? "" : " ") + filter.patterns[i];
  }
  return text + ")";
}

struct FileRequest {
  FileUse use = FileUse::Open;
  std::string caption;  // the dialog's title
  // The folder the dialog opens in, absolute; empty: the user's documents
  // folder.
  std::string folder;
  // The file name (no folder) the dialog starts on; empty: none.
  std::string proposed;
  // The type list in its order, the first chosen when the dialog opens.
  std::vector<FileFilter> filters;
  // Added, after a dot, to a name typed without one when saving ("json");
  // empty: the name is taken as typed.
  std::string defaultSuffix;
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // Blocks until the user has chosen a file (its path) or given up (nullopt).
  virtual std::optional<std::string> Choose(const FileRequest& request) = 0;
};

}  // namespace intercom
