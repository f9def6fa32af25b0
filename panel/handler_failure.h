// The failures that end a running handler. Everything else is reported where
// it happens and the action goes on. PanelModel catches this family at the
// handler boundary and shows the message with ShowError.
#pragma once

#include <stdexcept>
#include <string>

namespace intercom {

class HandlerFailure : public std::runtime_error {
 public:
  explicit HandlerFailure(const std::string& message)
      : std::runtime_error(message), message_(message) {}
  // The whole message; what() stops at a NUL that field text may carry.
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

// Field text that is not a whole number: "'%s' is not a valid integer value".
class ConversionFailure : public HandlerFailure {
 public:
  explicit ConversionFailure(const std::string& text);
};

// An input/output failure on COM.ini; the message is chosen by the code.
class FileIoFailure : public HandlerFailure {
 public:
  // A code of the table below, with its message.
  explicit FileIoFailure(int code);
  // Any other code, with its own message ("I/O error %d").
  FileIoFailure(int code, const std::string& message);
  int Code() const { return code_; }
  // 2 "File not found", 3 "Invalid filename", 4 "Too many open files",
  // 5 "File access denied", 100 "Read beyond end of file", 101 "Disk full",
  // otherwise "I/O error %d".
  static std::string MessageFor(int code);

 private:
  int code_;
};

// A port list entry that is not text: "Invalid data type for '%s'".
class PortEntryFailure : public HandlerFailure {
 public:
  explicit PortEntryFailure(const std::string& entryName);
};

}  // namespace intercom
