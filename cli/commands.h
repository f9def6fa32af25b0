// The commands of intercom-cli. Each returns the program's exit code; results
// go to `out`, message box lines and errors to `err`.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "device/backup_store.h"
#include "device/tracing_port.h"
#include "protocol/device_catalogue.h"
#include "serial/pause.h"
#include "serial/port_facts.h"
#include "serial/port_watcher.h"
#include "serial/serial_port.h"
#include "serial/terminal_check.h"

namespace intercom::cli {

// The COM.ini the window program keeps once installed: its launcher runs it in
// ${XDG_CONFIG_HOME:-$HOME/.config}/intercom-config/, ignoring a relative
// XDG_CONFIG_HOME. Empty when neither variable gives a folder. Either
// argument may be null (the variable is not set).
std::string WindowPortChoicePath(const char* xdgConfigHome, const char* home);

// The COM.ini the installed window program keeps for the current user: in
// the platform's own settings folder where it names one (on Windows
// %APPDATA%\intercom-config\COM.ini), else WindowPortChoicePath from the
// environment. Empty when neither gives a folder.
std::string InstalledPortChoicePath();

// What the program's entry provides: streams, the platform, where to look.
struct Environment {
  std::ostream& out;
  std::ostream& err;
  std::function<std::unique_ptr<SerialPort>()> makePort;
  Pause pause;
  // True once the user asked to stop (Ctrl+C); polled between exchanges.
  StopQuery stopRequested;
  // Empty: the machine's own port list (sysfs on Linux, the registry on
  // Windows). Tests name a stand-in sysfs class folder and device folder.
  std::string sysfsTtyDir = "";
  std::string devDir = "/dev";
  std::string byIdDir = "/dev/serial/by-id";
  std::string portChoicePath = "COM.ini";
  // Looked at when portChoicePath does not exist; empty: nowhere.
  std::string windowPortChoicePath = InstalledPortChoicePath();
  // True when err is a terminal: apply then shows how many rows are done.
  bool errIsTerminal = StandardErrorIsTerminal();
  // The kinds of device the commands know.
  const Catalogue* catalogue = &StandardCatalogue();
  // Where backups go without --backup-dir; empty: nowhere known.
  std::string backupFolder = MachineBackupFolder();
  // The watcher of --any-port: the machine's serial adapters, or with a
  // folder (--port-folder) the ports linked in it.
  std::function<std::unique_ptr<PortWatcher>(const std::string& folder)> makeWatcher =
      [](const std::string& folder) {
        return folder.empty() ? MachinePortWatcher() : FolderPortWatcher(folder);
      };
  // Where doctor reads the machine's facts about a port; tests name a
  // prepared folder for each root.
  FactRoots factRoots = {};
};

struct CommonOptions {
  std::string port;       // -p; empty: a COM.ini, else the only serial port
  std::string traceFile;  // --trace; empty: none; "-": err
  // apply: the ports named by a second and further -p, each handled at the
  // same time as `port`.
  std::vector<std::string> morePorts = {};
};

// Where a backup goes: `folder` (--backup-dir), else the environment's;
// nowhere with `off` (--no-backup).
struct BackupChoice {
  std::string folder;
  bool off = false;
};

// How a station finds its devices: once, or one after another (`wait`) on
// the ports given or, with `anyPort`, on every serial adapter that appears
// (or every port linked in `portFolder`).
struct StationChoice {
  bool wait = false;
  bool anyPort = false;
  std::string portFolder;
};

struct ApplyOptions {
  std::string planFile;
  StationChoice station;
  bool check = false;        // --check: read and compare, write nothing
  std::string reportFile;    // --report; empty: none (with --resume: the report resumed)
  std::string reportFormat;  // --report-format; empty: by the report's extension
  std::string resumeReport;  // --resume; empty: a new run
  bool retryFailed = false;  // --retry-failed
  BackupChoice backup;
};

int RunPorts(Environment& env);
int RunDetect(Environment& env, const CommonOptions& options);
int RunRead(Environment& env, const CommonOptions& options, bool json);
struct WriteOptions {
  std::string file;               // a settings file, or empty
  std::vector<std::string> sets;  // NAME=VALUE; not with a file
  bool verify = true;             // read everything back after writing
  // Only say what would change (exit kExitWouldChange, or 0 when in sync):
  // nothing is written and nothing backed up.
  bool check = false;
  // Before anything is sent, what the device holds is saved as a settings
  // file there.
  BackupChoice backup = {};
};
int RunWrite(Environment& env, const CommonOptions& options, const WriteOptions& write);
int RunApply(Environment& env, const CommonOptions& options, const ApplyOptions& apply);
// Says for the port of -p, or for every port and every USB serial adapter
// without a tty, why it will or will not work (device/port_diagnosis.h); the
// port is opened for a moment, never written to. kExitPort when a port
// cannot be used.
int RunDoctor(Environment& env, const CommonOptions& options);
int RunBackup(Environment& env, const CommonOptions& options, const StationChoice& station,
              const BackupChoice& backup);

}  // namespace intercom::cli
