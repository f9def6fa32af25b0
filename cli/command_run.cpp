#include "cli/command_run.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "device/input_error.h"
#include "device/input_file.h"
#include "serial/guarded_file.h"
#include "serial/port_description.h"
#include "serial/port_enumeration.h"
#include "serial/settings_folder.h"
#include "serial/sysfs_ports.h"

namespace intercom::cli {
namespace {

namespace fs = std::filesystem;

enum class Choice { Missing, Named, Failed };

// The port a COM.ini names: its first line, as the window takes it. Failed,
// with exitCode set and the reason on err, when the file cannot be read or
// names no port.
Choice ReadPortChoice(Environment& env, const std::string& path, std::string& name, int& exitCode) {
  std::string content;
  const int error = ReadSettingsFile(path, kSettingsFileReadLimit, content);
  std::error_code ignored;
  // A missing folder is another code than a missing file on Windows.
  if (error == kFileMissing || (error != 0 && !fs::exists(path, ignored))) return Choice::Missing;
  if (error != 0) {
    env.err << "error: " << path << ": "
            << (fs::is_regular_file(path, ignored) ? std::system_category().message(error)
                                                   : std::string("not a regular file"))
            << "\n";
    exitCode = kExitUsage;
    return Choice::Failed;
  }
  const size_t lineEnd = content.find('\n');
  name = content.substr(0, lineEnd);
  if (lineEnd != std::string::npos && !name.empty() && name.back() == '\r') name.pop_back();
  if (name.empty()) {
    env.err << "error: " << path << " names no port; name the port with -p PORT\n";
    exitCode = kExitPort;
    return Choice::Failed;
  }
  return Choice::Named;
}

}  // namespace

std::string WindowPortChoicePath(const char* xdgConfigHome, const char* home) {
  const std::string folder = XdgBaseFolder(xdgConfigHome, home, ".config");
  return folder.empty() ? folder : folder + "/intercom-config/COM.ini";
}

std::string InstalledPortChoicePath() {
  if (const std::optional<std::string> folder = PlatformSettingsFolder()) {
    if (folder->empty()) return {};
    return (std::filesystem::path(*folder) / "intercom-config" / "COM.ini").string();
  }
  return WindowPortChoicePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

std::optional<std::string> ReadInput(Environment& env, const std::string& path) {
  try {
    return ReadInputFile(path);
  } catch (const InputError& error) {
    env.err << "error: " << error.what() << "\n";
    return std::nullopt;
  }
}

std::optional<std::vector<std::string>> MachinePorts(Environment& env) {
  try {
    if (env.sysfsTtyDir.empty()) return ListSerialPorts();
    return ListSysfsPorts(env.sysfsTtyDir, env.devDir);
  } catch (const PortEnumerationError& failure) {
    env.err << "error: " << failure.what() << "\n";
    return std::nullopt;
  }
}

std::optional<std::string> ResolvePort(Environment& env, const CommonOptions& options,
                                       int& exitCode) {
  if (!options.port.empty()) return options.port;
  for (const std::string& path : {env.portChoicePath, env.windowPortChoicePath}) {
    if (path.empty()) continue;
    std::string name;
    switch (ReadPortChoice(env, path, name, exitCode)) {
      case Choice::Named:
        return name;
      case Choice::Failed:
        return std::nullopt;
      case Choice::Missing:
        break;
    }
  }
  const std::optional<std::vector<std::string>> listed = MachinePorts(env);
  if (!listed) {
    exitCode = kExitPort;
    return std::nullopt;
  }
  const std::vector<std::string>& ports = *listed;
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

std::optional<BackupStore> OpenBackups(Environment& env, const BackupChoice& choice,
                                       int& exitCode) {
  if (choice.off) return std::nullopt;
  const std::string folder = choice.folder.empty() ? env.backupFolder : choice.folder;
  if (folder.empty()) {
    env.err << "error: no folder for backups is known (the environment names no home folder); "
               "give --backup-dir DIR, or --no-backup to write without a backup\n";
    exitCode = kExitUsage;
    return std::nullopt;
  }
  return std::optional<BackupStore>(std::in_place, folder, *env.catalogue);
}

std::string PortId(const Environment& env, const std::string& path) {
  const PortDescription d = env.sysfsTtyDir.empty()
                                ? DescribeSerialPort(path)
                                : DescribePort(path, env.sysfsTtyDir, env.byIdDir);
  if (!d.byIdPath.empty()) return d.byIdPath;
  return d.vendorId.empty() ? std::string() : d.vendorId + ":" + d.productId;
}

int ExitFor(WriteReport::Status status) {
  switch (status) {
    case WriteReport::Status::Done:
      return kExitDone;
    case WriteReport::Status::Refused:
      return kExitRefused;
    case WriteReport::Status::NoAnswer:
      return kExitDiffers;
    case WriteReport::Status::Differs:
      return kExitDiffers;
    case WriteReport::Status::Interrupted:
      return kExitInterrupted;
  }
  return kExitDiffers;
}

std::string InterruptedSummary(const WriteReport& report) {
  // A stop leaves no read back to trust: what was answered is not called written.
  return "interrupted: answered, not read back: " +
         (report.answered.empty() ? "nothing" : Joined(report.answered, ", ")) + "; not written: " +
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

bool SharedOutput::Open(std::ostream& err, const std::string& path) {
  // Looking first keeps a FIFO or a device from being opened at all.
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    err << "error: " << path << ": not a regular file\n";
    return false;
  }
  file_.open(path, std::ios::app | std::ios::binary);
  if (!file_) {
    err << "error: " << path << ": cannot be opened for writing\n";
    return false;
  }
  stream_ = &file_;
  path_ = path;
  return true;
}

bool SharedOutput::Write(const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (stream_ == nullptr || failed_) return false;
  *stream_ << text << std::flush;
  if (!*stream_) failed_ = true;
  return !failed_;
}

LineStream::LineStream(SharedOutput& output, std::string prefix)
    : std::ostream(nullptr), lines_(output, std::move(prefix)) {
  rdbuf(&lines_);
}

LineStream::~LineStream() {
  lines_.End();
}

void LineStream::Lines::End() {
  if (!pending_.empty()) pending_ += '\n';
  PassWholeLines();
}

LineStream::Lines::int_type LineStream::Lines::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_ += traits_type::to_char_type(c);
  if (pending_.back() == '\n') PassWholeLines();
  return c;
}

std::streamsize LineStream::Lines::xsputn(const char* text, std::streamsize count) {
  pending_.append(text, static_cast<size_t>(count));
  PassWholeLines();
  return count;
}

void LineStream::Lines::PassWholeLines() {
  const size_t end = pending_.rfind('\n');
  if (end == std::string::npos) return;
  std::string text;
  for (size_t start = 0; start <= end;) {
    const size_t lineEnd = pending_.find('\n', start);
    text.append(prefix_).append(pending_, start, lineEnd + 1 - start);
    start = lineEnd + 1;
  }
  pending_.erase(0, end + 1);
  output_.Write(text);
}

bool OpenTrace(std::ostream& err, const std::string& path, SharedOutput& file,
               SharedOutput& errOutput, SharedOutput*& trace) {
  trace = nullptr;
  if (path.empty()) return true;
  if (path == "-") {
    trace = &errOutput;
    return true;
  }
  if (!file.Open(err, path)) return false;
  trace = &file;
  return true;
}

bool Run::Start() {
  if (options_ != nullptr) {
    if (!OpenTrace(env_.err, options_->traceFile, traceFile_, errOutput_, trace_)) {
      exitCode = kExitUsage;
      return false;
    }
    const auto name = ResolvePort(env_, *options_, exitCode);
    if (!name) return false;
    portName = *name;
  }
  if (trace_ != nullptr) traceLines_.emplace(*trace_, tracePrefix_);
  port_ = env_.makePort();
  conversation.emplace(
      *port_, env_.pause, env_.err, traceLines_ ? &*traceLines_ : nullptr,
      [this] { return StopRequested(env_) || TraceFailed(); }, *env_.catalogue);
  if (!conversation->Connect(portName)) {
    env_.err << "error: " << portName << ": the port could not be opened or configured\n";
    exitCode = kExitPort;
    return false;
  }
  return true;
}

DeviceKind Run::Discover() {
  const DeviceKind kind = conversation->Discover();
  if (SayTraceFailure()) {
    exitCode = kExitUsage;
    return DeviceKind::None;
  }
  if (kind == DeviceKind::None) {
    env_.err << "error: no device answered on " << portName << "\n";
    exitCode = kExitNoDevice;
  } else if (!conversation->ReadsAnswered()) {
    env_.err << "error: the " << env_.catalogue->KindName(kind) << " on " << portName
             << " did not answer every read; not read: " << conversation->Unread() << "\n";
    exitCode = kExitNoDevice;
    return DeviceKind::None;
  }
  return kind;
}

int Run::Stopped() {
  if (SayTraceFailure()) return kExitUsage;
  env_.err << "interrupted\n";
  return kExitInterrupted;
}

bool Run::SayTraceFailure() {
  if (!TraceFailed()) return false;
  // A shared trace's owner says it once for all its ports.
  if (options_ != nullptr && !traceFailureSaid_) {
    env_.err << "error: " << (trace_->Path().empty() ? "the trace" : trace_->Path())
             << ": could not be written whole; stopped before the next request\n";
  }
  traceFailureSaid_ = true;
  return true;
}

}  // namespace intercom::cli
