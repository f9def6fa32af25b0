#include "serial/console_output.h"

namespace intercom {

// A POSIX stream has no text mode, and the terminal decides how it shows bytes.
Utf8StandardOutput::Utf8StandardOutput() = default;
Utf8StandardOutput::~Utf8StandardOutput() = default;

}  // namespace intercom
