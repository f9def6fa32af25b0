// Standard output as the programs' texts need it, on every platform.
#pragma once

namespace intercom {

// While it lives, standard output carries the bytes written to it unchanged
// and a console shows them as UTF-8. On Windows standard output goes to
// binary mode (a JSON document ends its lines in LF, as on Linux) and the
// console's output code page to UTF-8, given back at the end; elsewhere both
// hold already. One per program, made in main before the first output.
class Utf8StandardOutput {
 public:
  Utf8StandardOutput();
  ~Utf8StandardOutput();
  Utf8StandardOutput(const Utf8StandardOutput&) = delete;
  Utf8StandardOutput& operator=(const Utf8StandardOutput&) = delete;

#ifdef _WIN32
 private:
  unsigned int previousCodePage_ = 0;  // 0: none changed
#endif
};

}  // namespace intercom
