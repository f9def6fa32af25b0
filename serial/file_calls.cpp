#include "serial/file_calls.h"

#ifdef _WIN32
#include <windows.h>

#include "serial/wide_text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace intercom {

#ifdef _WIN32

const char* const kPathSeparators = "\\/";
const uint32_t kExistsError = ERROR_FILE_EXISTS;

bool IsExistsError(uint32_t error) {
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

bool IsNoParentError(uint32_t error) {
  return error == ERROR_PATH_NOT_FOUND;
}

namespace {

HANDLE Handle(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

uint32_t Open(intptr_t& handle, const std::string& path, DWORD access, DWORD disposition) {
  const HANDLE opened = CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ, nullptr,
                                    disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  handle = reinterpret_cast<intptr_t>(opened);
  return opened == INVALID_HANDLE_VALUE ? GetLastError() : 0;
}

}  // namespace

uint32_t NewFile::CreateNew(const std::string& path) {
  return Open(handle_, path, GENERIC_WRITE, CREATE_NEW);
}

// Append access without write access: the system puts every write at the end.
uint32_t NewFile::OpenToAppend(const std::string& path) {
  return Open(handle_, path, GENERIC_READ | FILE_APPEND_DATA, OPEN_ALWAYS);
}

uint32_t NewFile::Read(std::string& text, size_t most) {
  text.resize(most);
  DWORD got = 0;
  if (!ReadFile(Handle(handle_), text.data(), static_cast<DWORD>(most), &got, nullptr)) {
    text.clear();
    return GetLastError();
  }
  text.resize(got);
  return 0;
}

uint32_t NewFile::Write(const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    DWORD wrote = 0;
    if (!WriteFile(Handle(handle_), text.data() + done, static_cast<DWORD>(text.size() - done),
                   &wrote, nullptr)) {
      return GetLastError();
    }
    if (wrote == 0) return ERROR_DISK_FULL;
    done += wrote;
  }
  return 0;
}

uint32_t NewFile::Sync() {
  return FlushFileBuffers(Handle(handle_)) ? 0 : GetLastError();
}

uint32_t NewFile::Close() {
  if (Handle(handle_) == INVALID_HANDLE_VALUE) return 0;
  const bool closed = CloseHandle(Handle(handle_));
  handle_ = -1;
  return closed ? 0 : GetLastError();
}

uint32_t MakeFolder(const std::string& path) {
  return CreateDirectoryW(Wide(path).c_str(), nullptr) ? 0 : GetLastError();
}

uint32_t RemoveFile(const std::string& path) {
  return DeleteFileW(Wide(path).c_str()) ? 0 : GetLastError();
}

void SyncFolder(const std::string&) {}

#else

const char* const kPathSeparators = "/";
const uint32_t kExistsError = EEXIST;

bool IsExistsError(uint32_t error) {
  return error == EEXIST;
}

bool IsNoParentError(uint32_t error) {
  return error == ENOENT;
}

namespace {

uint32_t LastError() {
  return static_cast<uint32_t>(errno);
}

uint32_t Open(intptr_t& handle, const std::string& path, int flags) {
  handle = open(path.c_str(), flags | O_CLOEXEC, 0600);
  return handle < 0 ? LastError() : 0;
}

}  // namespace

uint32_t NewFile::CreateNew(const std::string& path) {
  return Open(handle_, path, O_WRONLY | O_CREAT | O_EXCL);
}

uint32_t NewFile::OpenToAppend(const std::string& path) {
  return Open(handle_, path, O_RDWR | O_CREAT | O_APPEND);
}

uint32_t NewFile::Read(std::string& text, size_t most) {
  text.resize(most);
  ssize_t got;
  do {
    got = read(static_cast<int>(handle_), text.data(), most);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    text.clear();
    return LastError();
  }
  text.resize(static_cast<size_t>(got));
  return 0;
}

uint32_t NewFile::Write(const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t wrote = write(static_cast<int>(handle_), text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) return LastError();
    if (wrote == 0) return ENOSPC;
    done += static_cast<size_t>(wrote);
  }
  return 0;
}

uint32_t NewFile::Sync() {
  return fsync(static_cast<int>(handle_)) == 0 ? 0 : LastError();
}

uint32_t NewFile::Close() {
  if (handle_ < 0) return 0;
  const int result = close(static_cast<int>(handle_));
  handle_ = -1;
  return result == 0 ? 0 : LastError();
}

uint32_t MakeFolder(const std::string& path) {
  return mkdir(path.c_str(), 0700) == 0 ? 0 : LastError();
}

uint32_t RemoveFile(const std::string& path) {
  return unlink(path.c_str()) == 0 ? 0 : LastError();
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

#endif

}  // namespace intercom
