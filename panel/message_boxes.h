// The three modal message boxes and the confirming question behind one interface: the Qt window
// code provides the real one, tests a recording one.
#pragma once

#include <string>

namespace intercom {

enum class MessageKind {
  Notice,       // no icon, caption: the application title
  Information,  // information icon, caption "Information"
  Error,        // error icon, caption: the application title
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Blocks until the user has dismissed the box (one "OK" button).
  virtual void Show(MessageKind kind, const std::string& caption, const std::string& text) = 0;
  // Blocks until the user has answered a question box ("Да" and "Нет", no icon
  // but the question's); true for "Да".
  virtual bool Ask(const std::string& caption, const std::string& text) = 0;
};

// The program file's name without its folder (after the last slash or backslash), cut before its
// first full stop, every character after the first in lower case.
std::string ApplicationTitle(const std::string& programPath);

// The text ShowError displays: a full stop is appended when the text is not
// empty and its last character's code is above that of the full stop.
std::string ErrorText(const std::string& text);

}  // namespace intercom
