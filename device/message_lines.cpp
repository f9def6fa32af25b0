#include "device/message_lines.h"

namespace intercom {

std::string MessageLine(LineKind kind, const std::string& text) {
  std::string line;
  switch (kind) {
    case LineKind::Notice:
      line = "notice: ";
      break;
    case LineKind::Information:
      line = "information: ";
      break;
    case LineKind::Error:
      line = "error: ";
      break;
  }
  const size_t start = line.size();
  bool pendingBlank = false;
  bool breakSeen = false;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      breakSeen = true;
      pendingBlank = true;
      continue;
    }
    if (c == ' ' && breakSeen) continue;
    breakSeen = false;
    if (pendingBlank && line.size() > start) line += ' ';
    pendingBlank = false;
    line += c;
  }
  // Leading blanks of a box's first line only centre it on a screen.
  const size_t first = line.find_first_not_of(' ', start);
  if (first != std::string::npos) line.erase(start, first - start);
  return line;
}

}  // namespace intercom
