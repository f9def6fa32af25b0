#include "serial/lock_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

namespace intercom {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

std::string LockFileName(const std::string& devicePath) {
  std::string name = devicePath;
  if (name.starts_with("/dev/")) name.erase(0, 5);
  std::replace(name.begin(), name.end(), '/', '_');
  return "LCK.." + name;
}

// Parsed by hand, without the C library's locale, because a signal handler
// reads lock files too. Text
// holds no NUL, while a 4-byte PID always does: pid_max stays below 2^22, so
// its high byte is 0 in either byte order.
pid_t ParseLockHolder(const char* bytes, size_t count) {
  if (count == 4 && std::memchr(bytes, 0, count) != nullptr) {
    int32_t pid = 0;
    std::memcpy(&pid, bytes, sizeof pid);
    return pid > 0 ? static_cast<pid_t>(pid) : 0;
  }
  size_t i = 0;
  while (i < count && IsBlank(bytes[i])) ++i;
  const size_t digits = i;
  long long pid = 0;
  for (; i < count && bytes[i] >= '0' && bytes[i] <= '9'; ++i) {
    pid = pid * 10 + (bytes[i] - '0');
    if (pid > INT_MAX) return 0;
  }
  // Some tools follow the PID with their name on the same line.
  if (i == digits || (i < count && !IsBlank(bytes[i]))) return 0;
  return static_cast<pid_t>(pid);
}

LockFileContent ReadLockFile(const char* path) {
  LockFileContent content;
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    content.exists = errno != ENOENT;
    content.readError = errno;
    if (content.exists) {
      struct stat info {};
      if (stat(path, &info) == 0) content.owner = info.st_uid;
    }
    return content;
  }
  content.exists = true;
  struct stat info {};
  if (fstat(fd, &info) == 0) content.owner = info.st_uid;
  char bytes[64];
  const ssize_t n = read(fd, bytes, sizeof bytes);
  if (n < 0) content.readError = errno;
  close(fd);
  if (n > 0) content.pid = ParseLockHolder(bytes, static_cast<size_t>(n));
  return content;
}

}  // namespace intercom
