#include "panel/handler_failure.h"

namespace intercom {

ConversionFailure::ConversionFailure(const std::string& text)
    : HandlerFailure("'" + text + "' is not a valid integer value") {}

FileIoFailure::FileIoFailure(int code) : HandlerFailure(MessageFor(code)), code_(code) {}

FileIoFailure::FileIoFailure(int code, const std::string& message)
    : HandlerFailure(message), code_(code) {}

std::string FileIoFailure::MessageFor(int code) {
  switch (code) {
    case 2:
      return "File not found";
    case 3:
      return "Invalid filename";
    case 4:
      return "Too many open files";
    case 5:
      return "File access denied";
    case 100:
      return "Read beyond end of file";
    case 101:
      return "Disk full";
    default:
      return "I/O error " + std::to_string(code);
  }
}

PortEntryFailure::PortEntryFailure(const std::string& entryName)
    : HandlerFailure("Invalid data type for '" + entryName + "'") {}

}  // namespace intercom
