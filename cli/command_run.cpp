#include "cli/command_run.h"

#include <filesystem>
#include <sstream>

#include "panel/handler_failure.h"
#include "serial/port_enumeration.h"
#include "serial/sysfs_ports.h"
#include "workflow/port_choice.h"

namespace intercom::cli {
namespace {

namespace fs = std::filesystem;

// Settings files and plans are small; the bound keeps /dev/zero and the like out.
constexpr std::uintmax_t kMaxInputBytes = 1 << 20;

}  // namespace

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

std::optional<std::string> ReadInput(Environment& env, const std::string& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) {
    env.err << "error: " << path << ": "
            << (fs::exists(path, error) ? "not a regular file" : "no such file") << "\n";
    return std::nullopt;
  }
  if (fs::file_size(path, error) > kMaxInputBytes) {
    env.err << "error: " << path << ": larger than 1 MiB\n";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) {
    env.err << "error: " << path << ": cannot be read\n";
    return std::nullopt;
  }
  return text.str();
}

std::vector<std::string> MachinePorts(const Environment& env) {
  if (env.sysfsTtyDir.empty()) return ListSerialPorts();
  return ListSysfsPorts(env.sysfsTtyDir, env.devDir);
}

std::optional<std::string> ResolvePort(Environment& env, const CommonOptions& options,
                                       int& exitCode) {
  if (!options.port.empty()) return options.port;
  std::error_code error;
  if (fs::exists(fs::symlink_status(env.portChoicePath, error))) {
    SessionState state;
    try {
      LoadPortChoice(state, {}, env.portChoicePath);
    } catch (const HandlerFailure& failure) {
      env.err << "error: " << env.portChoicePath << ": " << failure.what() << "\n";
      exitCode = kExitPort;
      return std::nullopt;
    }
    return state.PortName;
  }
  std::vector<std::string> ports;
  try {
    ports = MachinePorts(env);
  } catch (const PortEnumerationError& failure) {
    env.err << "error: " << failure.what() << "\n";
    exitCode = kExitPort;
    return std::nullopt;
  }
  if (ports.size() == 1) return ports.front();
  if (ports.empty()) {
    env.err << "error: no serial port found and no COM.ini here; name the port with -p PORT\n";
    exitCode = kExitPort;
    return std::nullopt;
  }
  env.err << "error: several serial ports and no COM.ini here; choose one with -p PORT:\n";
  for (const std::string& port : ports) env.err << "  " << port << "\n";
  exitCode = kExitUsage;
  return std::nullopt;
}

int ExitFor(WriteReport::Status status) {
  switch (status) {
    case WriteReport::Status::Done:
      return kExitDone;
    case WriteReport::Status::Refused:
      return kExitRefused;
    case WriteReport::Status::NoAnswer:
      return kExitNoDevice;
    case WriteReport::Status::Differs:
      return kExitDiffers;
    case WriteReport::Status::Interrupted:
      return kExitInterrupted;
  }
  return kExitDiffers;
}

std::string InterruptedSummary(const WriteReport& report) {
  return "interrupted: written: " +
         (report.written.empty() ? "nothing" : Joined(report.written, ", ")) + "; not written: " +
         (report.notWritten.empty() ? "nothing" : Joined(report.notWritten, ", "));
}

void Wait(Environment& env, int ms) {
  for (int waited = 0; waited < ms && !(env.stopRequested && env.stopRequested()); waited += 50) {
    env.pause(50);
  }
}

bool StopRequested(Environment& env) {
  return env.stopRequested && env.stopRequested();
}

bool Run::Start() {
  if (!options_.traceFile.empty()) {
    trace_.open(options_.traceFile, std::ios::app | std::ios::binary);
    if (!trace_) {
      env_.err << "error: " << options_.traceFile << ": cannot open the trace file\n";
      exitCode = kExitUsage;
      return false;
    }
  }
  const auto name = ResolvePort(env_, options_, exitCode);
  if (!name) return false;
  portName = *name;
  port_ = env_.makePort();
  session.emplace(*port_, env_.pause, env_.err, trace_.is_open() ? &trace_ : nullptr,
                  env_.stopRequested, *env_.catalogue);
  if (!session->Connect(portName)) {
    env_.err << "error: " << portName << ": the port could not be opened or configured\n";
    exitCode = kExitPort;
    return false;
  }
  return true;
}

DeviceKind Run::Discover() {
  const DeviceKind kind = session->Discover();
  if (kind == DeviceKind::None) {
    env_.err << "error: no device answered on " << portName << "\n";
    exitCode = kExitNoDevice;
  } else if (!session->ReadsAnswered()) {
    env_.err << "error: the " << env_.catalogue->KindName(kind) << " on " << portName
             << " did not answer every read\n";
    exitCode = kExitNoDevice;
    return DeviceKind::None;
  }
  return kind;
}

int Run::Stopped() {
  env_.err << "interrupted\n";
  return kExitInterrupted;
}

}  // namespace intercom::cli
