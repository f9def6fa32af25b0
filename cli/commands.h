// The commands of intercom-cli. Each returns the program's exit code; results
// go to `out`, message box lines and errors to `err`.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/tracing_port.h"
#include "protocol/device_catalogue.h"
#include "serial/pause.h"
#include "serial/serial_port.h"

namespace intercom::cli {

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
  // The kinds of device the commands know.
  const Catalogue* catalogue = &StandardCatalogue();
};

struct CommonOptions {
  std::string port;       // -p; empty: COM.ini, else the only serial port
  std::string traceFile;  // --trace; empty: none
};

int RunPorts(Environment& env);
int RunDetect(Environment& env, const CommonOptions& options);
int RunRead(Environment& env, const CommonOptions& options, bool json);
// `file` (a settings file) or `sets` (NAME=VALUE), not both.
int RunWrite(Environment& env, const CommonOptions& options, const std::string& file,
             const std::vector<std::string>& sets, bool verify);
int RunApply(Environment& env, const CommonOptions& options, const std::string& planFile, bool wait,
             const std::string& reportFile);

}  // namespace intercom::cli
