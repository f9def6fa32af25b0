#include "serial/console_output.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

namespace intercom {

// The console's code page outlives the program in the window it runs in, so
// it is given back; GetConsoleOutputCP is 0 without a console.
Utf8StandardOutput::Utf8StandardOutput() {
  _setmode(_fileno(stdout), _O_BINARY);
  const UINT previous = GetConsoleOutputCP();
  if (previous != 0 && previous != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
    previousCodePage_ = previous;
  }
}

Utf8StandardOutput::~Utf8StandardOutput() {
  if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
}

}  // namespace intercom
