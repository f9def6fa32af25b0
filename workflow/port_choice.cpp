#include "workflow/port_choice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "panel/handler_failure.h"

namespace intercom {
namespace {

[[noreturn]] void FailWith(int error) {
  // errno values may collide with the table's codes (EIO is 5), so unmapped
  // ones carry their own text.
  const int code = FileIoCode(error);
  if (code == 0) throw FileIoFailure(error, "I/O error " + std::to_string(error));
  throw FileIoFailure(code);
}

void WriteWhole(const std::string& path, const std::string& line) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) FailWith(errno);
  const std::string content = line + "\r\n";
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      close(fd);
      FailWith(error);
    }
    done += static_cast<size_t>(n);
  }
  // A failing close can be the first sign of a full disk on some file systems.
  if (close(fd) != 0) FailWith(errno);
}

}  // namespace

int FileIoCode(int error) {
  switch (error) {
    case ENOENT:
      return 2;
    case ENAMETOOLONG:
    case EINVAL:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EROFS:
      return 5;
    case ENOSPC:
    case EDQUOT:
      return 101;
    default:
      return 0;
  }
}

void LoadPortChoice(SessionState& state, const std::vector<std::string>& ports,
                    const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT) FailWith(errno);
    state.PortName = ports.empty() ? std::string() : ports.front();
    WriteWhole(path, state.PortName);
    return;
  }
  std::string line;
  char buffer[256];
  bool lineEnded = false;
  while (!lineEnded) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(fd);
      FailWith(error);
    }
    if (n == 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[i] == '\n') {
        lineEnded = true;
        break;
      }
      line += buffer[i];
    }
  }
  close(fd);
  if (lineEnded && !line.empty() && line.back() == '\r') line.pop_back();
  state.PortName = line;
}

void SavePortChoice(const SessionState& state, const std::string& path) {
  WriteWhole(path, state.PortName);
}

}  // namespace intercom
