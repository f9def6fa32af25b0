// The lock files of the serial tools' convention (/var/lock/LCK..ttyUSB0):
// their names and what they hold. POSIX only.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace intercom {

// "LCK..ttyUSB0" for /dev/ttyUSB0; deeper paths keep their folders with '_'
// ("LCK..pts_3"), so two devices never share a lock file. `devicePath` should
// have its links resolved, so that every tool names the same file.
std::string LockFileName(const std::string& devicePath);

// The PID that a lock file's bytes name, or 0: ASCII digits (blanks around
// them, a name after them on the same line) or a 4-byte native integer.
// Async-signal-safe.
pid_t ParseLockHolder(const char* bytes, size_t count);

// A lock file as found: whether it is there, who owns it, and the PID it
// names (0 when it names none or could not be read; `readError` tells which).
struct LockFileContent {
  bool exists = false;
  uid_t owner = 0;
  int readError = 0;
  pid_t pid = 0;
};

// Reads the lock file at `path`; a missing file gives exists == false.
// Async-signal-safe.
LockFileContent ReadLockFile(const char* path);

}  // namespace intercom
