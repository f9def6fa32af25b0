#include "serial/guarded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace intercom {
namespace {

// A hidden name beside `path` for mkstemp: "dir/.name.XXXXXX".
std::string TemporaryBeside(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, nameStart) + "." + path.substr(nameStart) + ".XXXXXX";
}

// Where a replacement has to land: the target of a link, so that a COM.ini
// linked elsewhere stays a link, also when its target does not exist yet.
std::string ResolvedTarget(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) return resolved;
  // realpath fails on a dangling link: follow the links by hand, as many as
  // the system would, and create the file where the last one points.
  constexpr int kMostLinks = 40;
  std::string current = path;
  for (int hop = 0; hop < kMostLinks; ++hop) {
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    char target[PATH_MAX];
    const ssize_t length = readlink(current.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof target) return current;
    std::string next(target, static_cast<size_t>(length));
    if (next.front() != '/') {
      const size_t slash = current.find_last_of('/');
      next = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + next;
    }
    current = next;
  }
  return current;
}

int WriteAll(int fd, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    done += static_cast<size_t>(n);
  }
  return 0;
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return static_cast<mode_t>(0644 & ~mask);
}

}  // namespace

const int kFileMissing = ENOENT;

int ReadSettingsFile(const std::string& path, size_t limit, std::string& content) {
  content.clear();
  if (path.find('\0') != std::string::npos) return EINVAL;
  // Looking first keeps devices from being opened at all (opening some has
  // effects of its own); the check after the open covers a swap in between.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return errno;
  if (!S_ISREG(info.st_mode)) return EACCES;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return EACCES;
  }
  std::string buffer(limit, '\0');
  size_t got = 0;
  while (got < limit) {
    const ssize_t n = read(fd, buffer.data() + got, limit - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(fd);
      return error;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  buffer.resize(got);
  content = std::move(buffer);
  return 0;
}

int ReplaceSettingsFile(const std::string& path, const std::string& content) {
  if (path.empty()) return ENOENT;
  if (path.find('\0') != std::string::npos) return EINVAL;
  const std::string target = ResolvedTarget(path);

  mode_t mode = NewFileMode();
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return S_ISDIR(info.st_mode) ? EISDIR : EACCES;
    mode = info.st_mode & 07777;
  }

  std::string temporary = TemporaryBeside(target);
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  int error = WriteAll(fd, content);
  if (error == 0 && fchmod(fd, mode) != 0) error = errno;
  // The rename must not publish a file whose data may still be lost.
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) unlink(temporary.c_str());
  return error;
}

int AppendToFile(const std::string& path, const std::string& content) {
  if (path.find('\0') != std::string::npos) return EINVAL;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return EACCES;
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int error = fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ? EACCES : 0;
  if (error == 0) error = WriteAll(fd, content);
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  return error;
}

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

}  // namespace intercom
