// The platform's file operations behind the tool's one settings file: a
// bounded, non-blocking read of a regular file and an atomic replacement; and
// the durable appending a report needs.
// Results are the system's error codes (errno on POSIX): 0 is success.
#pragma once

#include <cstddef>
#include <string>

namespace intercom {

// ReadSettingsFile's result for a file that does not exist.
extern const int kFileMissing;

// The most a settings file read takes; anything after it is ignored.
inline constexpr size_t kSettingsFileReadLimit = 64 * 1024;

// Reads at most `limit` bytes from the start of the file at `path` into
// `content`. Never blocks on the file: a FIFO, a device, a socket or a
// directory is refused with EACCES before anything is read. A missing file
// gives ENOENT. `content` is left empty on failure.
int ReadSettingsFile(const std::string& path, size_t limit, std::string& content);

// Replaces the file at `path` with `content`: writes a temporary file in the
// same folder and renames it over the old one, so the old file stays whole on
// any failure. A symbolic link is followed and its target replaced. An
// existing target that is not a regular file is refused with EACCES. A short
// write (the disk filled up) is ENOSPC; a file-size limit is EFBIG, provided
// the process ignores the size-limit signal (IgnoreFileSizeSignal).
int ReplaceSettingsFile(const std::string& path, const std::string& content);

// Appends `content` to the file at `path`, creating it when missing, and has
// the system put it on disk (fsync) before returning. An existing target that
// is not a regular file is refused with EACCES before it is opened. A short
// write is ENOSPC; a file-size limit is EFBIG (see ReplaceSettingsFile).
int AppendToFile(const std::string& path, const std::string& content);

// The message code of a failed file operation's error: ENOENT 2,
// ENAMETOOLONG/EINVAL 3, EMFILE/ENFILE 4, EACCES/EPERM/EROFS 5,
// ENOSPC/EDQUOT 101; 0 for any other code, which is reported as
// "I/O error <code>".
int FileIoCode(int error);

}  // namespace intercom
