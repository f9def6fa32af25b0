// Backups of what a device held before a write: each a settings file of its
// own that `write FILE` restores, never overwritten, in the user's state
// folder, listed in an inventory (CSV for people, JSON lines for programs).
#pragma once

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>

#include "protocol/device_settings.h"

namespace intercom {

// A backup or its inventory could not be written. The message names the path
// and the system's reason: "cannot write /x/backups/splitter-3-...json: No
// space left on device".
class BackupError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The backup folder: %LOCALAPPDATA%\intercom-config\backups when
// `localAppData` is given (Windows), else
// ${XDG_STATE_HOME:-$HOME/.local/state}/intercom-config/backups, ignoring a
// relative XDG_STATE_HOME. Empty when none gives a folder. Any argument may
// be null (the variable is not set).
std::string DefaultBackupFolder(const char* xdgStateHome, const char* home,
                                const char* localAppData);
// DefaultBackupFolder from this platform's environment variables.
std::string MachineBackupFolder();

struct BackupEntry {
  std::string time;    // RFC 3339 local time with milliseconds (LocalRfc3339)
  std::string port;    // the port as named, e.g. /dev/ttyUSB0
  std::string portId;  // a stable name of the port, e.g. its by-id link; may be empty
  DeviceSettings settings;
};

// One backup folder, for any number of threads at once. Every failure throws
// BackupError.
class BackupStore {
 public:
  // `catalogue` must outlive the store.
  BackupStore(std::string folder, const Catalogue& catalogue);

  const std::string& Folder() const { return folder_; }

  // Writes SettingsJson(entry.settings) to a new file in the folder, which is
  // created with its missing parents (mode 0700 on POSIX), and returns its
  // path: <kind>-<address>-<UTC YYYYMMDDTHHMMSS.mmmZ of now>.json, the
  // address being the kind's device address, else its "address" setting, else
  // left out. An existing file is never overwritten: the name then gains -2,
  // -3, ... before ".json". The file is whole on the disk (fsync,
  // FlushFileBuffers) when this returns; one that could not be made whole is
  // removed.
  std::string Save(const BackupEntry& entry, std::chrono::system_clock::time_point now);

  // Appends one line for the backup `file` to inventory.csv (its header
  // "time,port,port_id,kind,file,<every setting name of the catalogue>"
  // written when the file is new; empty cells for settings the kind lacks)
  // and one JSON object to inventory.jsonl ({"time", "port", "port_id",
  // "kind", "file", "settings": {...}}), each written out and synced. An
  // inventory.csv whose first line is another header is refused before
  // either file is touched.
  void AddToInventory(const BackupEntry& entry, const std::string& file);

 private:
  std::string folder_;
  const Catalogue& catalogue_;
  std::mutex mutex_;
};

}  // namespace intercom
