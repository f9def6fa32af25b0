// What the window shows in a box, the command line prints as one line on
// stderr: "notice: ", "information: " or "error: " and the text.
#pragma once

#include <string>

namespace intercom {

enum class LineKind { Notice, Information, Error };

// The line: its kind, then the text with line breaks and the blanks around
// them folded into one blank, and no leading blanks.
std::string MessageLine(LineKind kind, const std::string& text);

}  // namespace intercom
