#include "panel/message_boxes.h"

#include <cctype>

namespace intercom {

std::string ApplicationTitle(const std::string& programPath) {
  // Windows paths separate folders with either slash.
  std::string name = programPath.substr(programPath.find_last_of("/\\") + 1);
  name = name.substr(0, name.find('.'));
  for (size_t i = 1; i < name.size(); ++i) {
    name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  }
  return name;
}

std::string ErrorText(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

}  // namespace intercom
