// What the commands share: the files the user names, the port to use, the
// port, trace and session of one command, and what a write's outcome means.
#pragma once

#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/exit_codes.h"

namespace intercom::cli {

std::string Joined(const std::vector<std::string>& items, const char* separator);

// The text of a regular file of at most 1 MiB; nullopt, with the reason on
// err, for anything else.
std::optional<std::string> ReadInput(Environment& env, const std::string& path);

// The machine's serial ports (ListSerialPorts), or those of the stand-in sysfs
// folder a test names in env.sysfsTtyDir.
std::vector<std::string> MachinePorts(const Environment& env);

// -p, else the first line of COM.ini (only read) when that file exists, else
// the machine's only serial port. nullopt, with the reason on err and
// exitCode set, when there is none or several.
std::optional<std::string> ResolvePort(Environment& env, const CommonOptions& options,
                                       int& exitCode);

// The exit code of a write's outcome.
int ExitFor(WriteReport::Status status);
// "interrupted: written: ...; not written: ..."
std::string InterruptedSummary(const WriteReport& report);

bool StopRequested(Environment& env);
// Pauses `ms` in short slices, returning early once a stop is requested.
void Wait(Environment& env, int ms);

// The port, the trace file and the device session of one command. The port
// and the trace are declared first so that they outlive the session using them.
class Run {
 private:
  Environment& env_;
  const CommonOptions& options_;
  std::ofstream trace_;
  std::unique_ptr<SerialPort> port_;

 public:
  Run(Environment& env, const CommonOptions& options) : env_(env), options_(options) {}

  // Opens the trace file, resolves and opens the port; false with exitCode set
  // (and the reason on err) when that fails.
  bool Start();
  // Discovery with its reads; None (exitCode set, reason on err) when nothing
  // answered or a read went unanswered.
  DeviceKind Discover();
  // Says so on err; the exit code of a stop.
  int Stopped();

  std::string portName;
  std::optional<DeviceSession> session;
  int exitCode = kExitDone;
};

}  // namespace intercom::cli
