#include <windows.h>

#include "serial/guarded_file.h"

namespace intercom {
namespace {

// Closes a handle at the end of a scope.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (Valid()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void Reset(HANDLE handle) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }
  // Closes now; the error of CloseHandle, or 0.
  DWORD Close() {
    const BOOL ok = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok ? 0 : GetLastError();
  }

 private:
  HANDLE handle_;
};

int Error() {
  return static_cast<int>(GetLastError());
}

// A path may not hold a NUL, which would cut it short at the system call.
bool HoldsNul(const std::string& path) {
  return path.find('\0') != std::string::npos;
}

// The attributes of what lies at `path`, or the error of looking.
int Look(const std::string& path, DWORD& attributes) {
  attributes = GetFileAttributesA(path.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? Error() : 0;
}

// A name beside `path` for the replacement: "dir\.name.<pid>.<n>".
std::string TemporaryBeside(const std::string& path, unsigned attempt) {
  const size_t slash = path.find_last_of("/\\:");
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, nameStart) + "." + path.substr(nameStart) + "." +
         std::to_string(GetCurrentProcessId()) + "." + std::to_string(attempt);
}

// Writes all of `content`, waits until it is on the disk and closes `file`:
// the first error met, 0 when none.
int WriteFlushAndClose(Handle& file, const std::string& content) {
  int error = 0;
  DWORD written = 0;
  if (!WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                 nullptr)) {
    error = Error();
  } else if (written != content.size()) {
    error = ERROR_DISK_FULL;
  }
  if (error == 0 && !FlushFileBuffers(file.get())) error = Error();
  if (const DWORD closeError = file.Close(); closeError != 0 && error == 0) {
    error = static_cast<int>(closeError);
  }
  return error;
}

}  // namespace

const int kFileMissing = ERROR_FILE_NOT_FOUND;

int ReadSettingsFile(const std::string& path, size_t limit, std::string& content) {
  content.clear();
  if (HoldsNul(path)) return ERROR_INVALID_NAME;
  // A folder is refused by its attributes; a device (COM1.ini is COM1 to
  // Windows) by its type once open, before anything is read from it.
  DWORD attributes = 0;
  if (const int error = Look(path, attributes); error != 0) return error;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ERROR_ACCESS_DENIED;
  Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return Error();
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return ERROR_ACCESS_DENIED;

  // ReadFile is always binary: the CR LF arrives as it is stored.
  std::string buffer(limit, '\0');
  size_t got = 0;
  while (got < limit) {
    DWORD n = 0;
    if (!ReadFile(file.get(), buffer.data() + got, static_cast<DWORD>(limit - got), &n, nullptr)) {
      return Error();
    }
    if (n == 0) break;
    got += n;
  }
  buffer.resize(got);
  content = std::move(buffer);
  return 0;
}

int ReplaceSettingsFile(const std::string& path, const std::string& content) {
  if (path.empty()) return ERROR_FILE_NOT_FOUND;
  if (HoldsNul(path)) return ERROR_INVALID_NAME;
  DWORD attributes = 0;
  if (Look(path, attributes) == 0) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ERROR_ACCESS_DENIED;
    // A read-only file stays as it is, as it would when written in place.
    if (attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
  }

  std::string temporary;
  Handle file(INVALID_HANDLE_VALUE);
  for (unsigned attempt = 0; attempt < 100 && !file.Valid(); ++attempt) {
    temporary = TemporaryBeside(path, attempt);
    file.Reset(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid() && GetLastError() != ERROR_FILE_EXISTS) return Error();
  }
  if (!file.Valid()) return ERROR_FILE_EXISTS;

  // The rename must not publish a file whose data may still be lost.
  int error = WriteFlushAndClose(file, content);
  if (error == 0 && !MoveFileExA(temporary.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = Error();
  }
  if (error != 0) DeleteFileA(temporary.c_str());
  return error;
}

int AppendToFile(const std::string& path, const std::string& content) {
  if (path.empty()) return ERROR_FILE_NOT_FOUND;
  if (HoldsNul(path)) return ERROR_INVALID_NAME;
  DWORD attributes = 0;
  if (Look(path, attributes) == 0 && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return ERROR_ACCESS_DENIED;
  }
  Handle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return Error();
  // A device (report.csv could be COM1 to Windows) is not written to.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return ERROR_ACCESS_DENIED;
  return WriteFlushAndClose(file, content);
}

int FileIoCode(int error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return 2;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return 3;
    case ERROR_TOO_MANY_OPEN_FILES:
      return 4;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return 5;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return 101;
    default:
      return 0;
  }
}

}  // namespace intercom
