// The platform's calls behind files the program makes for the user alone: new
// files that never replace another, files appended to, private folders.
// Results are the system's error codes (errno on POSIX, GetLastError on
// Windows), 0 for success; SystemErrorText says them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace intercom {

// "/" on POSIX; "\\/" on Windows, the first being the one to join with.
extern const char* const kPathSeparators;
// The code of a file or folder that already exists.
extern const uint32_t kExistsError;
bool IsExistsError(uint32_t error);
// The code of a path whose parent folder is missing.
bool IsNoParentError(uint32_t error);

// One open file, closed when the object goes.
class NewFile {
 public:
  NewFile() = default;
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile() { Close(); }

  // Creates `path`, which must not exist (O_EXCL, CREATE_NEW), for writing
  // (mode 0600 on POSIX).
  uint32_t CreateNew(const std::string& path);
  // Opens `path`, creating it when missing, to read from its start; every
  // write goes to its end.
  uint32_t OpenToAppend(const std::string& path);
  // At most `most` bytes from where the file stands.
  uint32_t Read(std::string& text, size_t most);
  // All of `text`; a write that makes no progress is a full disk.
  uint32_t Write(const std::string& text);
  // Puts what was written on the disk (fsync, FlushFileBuffers).
  uint32_t Sync();
  uint32_t Close();

 private:
  intptr_t handle_ = -1;  // the descriptor, or the HANDLE
};

// Makes the folder `path` (mode 0700 on POSIX), its parent being there.
uint32_t MakeFolder(const std::string& path);
uint32_t RemoveFile(const std::string& path);
// Puts a new name in `folder` on the disk too. Best effort: some file
// systems cannot sync a folder, and Windows has no such call.
void SyncFolder(const std::string& folder);

}  // namespace intercom
