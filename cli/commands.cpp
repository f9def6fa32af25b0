#include "cli/commands.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "cli/device_session.h"
#include "cli/exit_codes.h"
#include "cli/input_error.h"
#include "cli/plan.h"
#include "cli/settings_file.h"
#include "panel/handler_failure.h"
#include "serial/port_description.h"
#include "serial/port_enumeration.h"
#include "workflow/port_choice.h"

namespace intercom::cli {
namespace {

namespace fs = std::filesystem;

// Settings files and plans are small; the bound keeps /dev/zero and the like out.
constexpr std::uintmax_t kMaxInputBytes = 1 << 20;
// How often the wait loop looks at the line, in ms.
constexpr int kPollMs = 300;

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

// The text of a file the user named; nullopt (with the reason on err) when it
// cannot be read.
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

// -p, else COM.ini of the working directory, else the only serial port.
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
    ports = ListSerialPorts(env.sysfsTtyDir, env.devDir);
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

// The port, the trace file and the device session of one command.
class Run {
 public:
  Run(Environment& env, const CommonOptions& options) : env_(env), options_(options) {}

  // Resolves and opens the port; false with exitCode set when that fails.
  bool Start() {
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
                    env_.stopRequested);
    if (!session->Connect(portName)) {
      env_.err << "error: " << portName << ": the port could not be opened or configured\n";
      exitCode = kExitPort;
      return false;
    }
    return true;
  }

  // Discovery with its reads; None (exitCode set, reason printed) when nothing
  // answered or a read went unanswered.
  DeviceKind Discover() {
    const DeviceKind kind = session->Discover();
    if (kind == DeviceKind::None) {
      env_.err << "error: no device answered on " << portName << "\n";
      exitCode = kExitNoDevice;
    } else if (!session->ReadsAnswered()) {
      env_.err << "error: the " << KindName(kind) << " on " << portName
               << " did not answer every read\n";
      exitCode = kExitNoDevice;
      return DeviceKind::None;
    }
    return kind;
  }

  int Interrupted() {
    env_.err << "interrupted\n";
    return kExitInterrupted;
  }

  std::string portName;
  std::optional<DeviceSession> session;
  int exitCode = kExitDone;

 private:
  Environment& env_;
  const CommonOptions& options_;
  std::ofstream trace_;
  std::unique_ptr<SerialPort> port_;
};

void PrintSettings(std::ostream& out, const KindSettings& settings) {
  out << "kind=" << KindName(settings.kind) << "\n";
  for (const SettingValue& v : settings.values) {
    out << v.spec->name << "=";
    if (v.spec->type == SettingType::Studio) {
      out << (v.value != 0 ? "true" : "false");
    } else {
      out << v.value;
    }
    out << "\n";
  }
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

// Lines on err for a write that did not end well; on out for one that did.
void PrintWrite(Environment& env, const WriteReport& report, bool verify) {
  if (report.status == WriteReport::Status::Interrupted) {
    env.err << InterruptedSummary(report) << "\n";
    return;
  }
  if (report.status == WriteReport::Status::Refused) {
    for (const std::string& problem : report.problems) env.err << "error: " << problem << "\n";
    env.err << "error: nothing was written\n";
    return;
  }
  for (const std::string& change : report.changes) env.out << "written: " << change << "\n";
  if (report.changes.empty()) env.out << "nothing to write: the device holds these settings\n";
  for (const std::string& problem : report.problems) {
    env.err << "error: " << (report.status == WriteReport::Status::Differs ? "read back: " : "")
            << problem << "\n";
  }
  if (report.status == WriteReport::Status::Done && verify && !report.changes.empty()) {
    env.out << "read back: every setting matches\n";
  }
}

// A report line: label,kind,OK or FAILED,details.
std::string ReportLine(const PlanRow& row, const WriteReport& report) {
  const bool ok = report.status == WriteReport::Status::Done;
  std::string details;
  if (report.status == WriteReport::Status::Interrupted) {
    details = InterruptedSummary(report);
  } else if (ok) {
    details = report.changes.empty() ? "nothing to write" : "wrote " + Joined(report.changes, "; ");
  } else {
    details = Joined(report.problems, "; ");
  }
  return CsvField(row.label) + "," + KindName(row.settings.kind) + "," + (ok ? "OK" : "FAILED") +
         "," + CsvField(details);
}

// Appends report lines to the --report file, with a header when it makes the file.
class ReportFile {
 public:
  ReportFile(Environment& env, const std::string& path) : env_(env), path_(path) {}

  bool Open() {
    if (path_.empty()) return true;
    std::error_code error;
    const bool existed = fs::exists(path_, error);
    file_.open(path_, std::ios::app | std::ios::binary);
    if (!file_) {
      env_.err << "error: " << path_ << ": cannot open the report file\n";
      return false;
    }
    if (!existed) file_ << "label,kind,result,details\n" << std::flush;
    return true;
  }
  void Add(const std::string& line) {
    env_.out << line << std::endl;
    if (file_.is_open()) file_ << line << "\n" << std::flush;
  }

 private:
  Environment& env_;
  std::string path_;
  std::ofstream file_;
};

// Pause in short slices so that Ctrl+C is seen promptly.
void Wait(Environment& env, int ms) {
  for (int waited = 0; waited < ms && !(env.stopRequested && env.stopRequested()); waited += 50) {
    env.pause(50);
  }
}

bool StopRequested(Environment& env) {
  return env.stopRequested && env.stopRequested();
}

}  // namespace

int RunPorts(Environment& env) {
  std::vector<std::string> ports;
  try {
    ports = ListSerialPorts(env.sysfsTtyDir, env.devDir);
  } catch (const PortEnumerationError& failure) {
    env.err << "error: " << failure.what() << "\n";
    return kExitPort;
  }
  if (ports.empty()) env.err << "no serial ports found\n";
  const auto orDash = [](const std::string& text) {
    return text.empty() ? std::string("-") : text;
  };
  for (const std::string& path : ports) {
    const PortDescription d = DescribePort(path, env.sysfsTtyDir, env.byIdDir);
    const std::string usb = d.vendorId.empty() ? "-" : d.vendorId + ":" + d.productId;
    env.out << d.path << "\t" << orDash(d.byIdPath) << "\t" << usb << "\t" << orDash(d.manufacturer)
            << "\t" << orDash(d.product) << "\n";
  }
  return kExitDone;
}

int RunDetect(Environment& env, const CommonOptions& options) {
  Run run(env, options);
  try {
    if (!run.Start()) return run.exitCode;
    const DeviceKind kind = run.Discover();
    if (kind == DeviceKind::None) return run.exitCode;
    env.out << KindName(kind) << "\n";
    return kExitDone;
  } catch (const Interrupted&) {
    return run.Interrupted();
  }
}

int RunRead(Environment& env, const CommonOptions& options, bool json) {
  Run run(env, options);
  try {
    if (!run.Start()) return run.exitCode;
    const DeviceKind kind = run.Discover();
    if (kind == DeviceKind::None) return run.exitCode;
    const KindSettings settings = run.session->Current();
    if (json) {
      env.out << SettingsJson(settings);
    } else {
      PrintSettings(env.out, settings);
    }
    return kExitDone;
  } catch (const Interrupted&) {
    return run.Interrupted();
  }
}

int RunWrite(Environment& env, const CommonOptions& options, const std::string& file,
             const std::vector<std::string>& sets, bool verify) {
  // Everything that can be checked without the device is checked first.
  std::optional<KindSettings> fromFile;
  std::vector<std::pair<std::string, std::string>> assignments;
  try {
    if (!file.empty()) {
      const auto text = ReadInput(env, file);
      if (!text) return kExitUsage;
      fromFile = ParseSettingsJson(*text, file);
    }
    for (const std::string& set : sets) {
      const size_t equals = set.find('=');
      const std::string name = set.substr(0, equals);
      if (equals == std::string::npos || !IsSettingName(name)) {
        throw InputError("--set " + set + ": expected NAME=VALUE with a setting name");
      }
      assignments.emplace_back(name, set.substr(equals + 1));
    }
  } catch (const InputError& error) {
    env.err << "error: " << error.what() << "\n";
    return kExitRefused;
  }

  Run run(env, options);
  try {
    if (!run.Start()) return run.exitCode;
    const DeviceKind kind = run.Discover();
    if (kind == DeviceKind::None) return run.exitCode;

    KindSettings wanted;
    try {
      if (fromFile) {
        if (fromFile->kind != kind) {
          throw InputError(file + " holds settings of a " + KindName(fromFile->kind) + ", but a " +
                           KindName(kind) + " answered on " + run.portName);
        }
        wanted = *fromFile;
      } else {
        wanted.kind = kind;
        for (const auto& [name, text] : assignments) {
          const SettingSpec* spec = FindSetting(kind, name);
          if (spec == nullptr) {
            throw InputError("--set: '" + name + "' is not a setting of a " + KindName(kind) +
                             " (" + DescribeSettings(kind) + ")");
          }
          AddSetting(wanted, name, ParseSettingValue(*spec, text), "--set: ");
        }
      }
    } catch (const InputError& error) {
      env.err << "error: " << error.what() << "\n";
      env.err << "error: nothing was written\n";
      return kExitRefused;
    }

    const WriteReport report = run.session->Write(wanted, verify);
    PrintWrite(env, report, verify);
    return ExitFor(report.status);
  } catch (const Interrupted&) {
    return run.Interrupted();
  }
}

int RunApply(Environment& env, const CommonOptions& options, const std::string& planFile, bool wait,
             const std::string& reportFile) {
  std::vector<PlanRow> rows;
  try {
    const auto text = ReadInput(env, planFile);
    if (!text) return kExitUsage;
    rows = ParsePlan(*text, planFile);
  } catch (const InputError& error) {
    env.err << "error: " << error.what() << "\n";
    return kExitRefused;
  }
  if (rows.empty()) {
    env.err << "error: " << planFile << ": the plan has no rows\n";
    return kExitRefused;
  }
  ReportFile report(env, reportFile);
  if (!report.Open()) return kExitUsage;

  std::set<size_t> done;
  const auto nextRow = [&](DeviceKind kind) -> std::optional<size_t> {
    for (size_t i = 0; i < rows.size(); ++i) {
      if (done.count(i) == 0 && rows[i].settings.kind == kind) return i;
    }
    return std::nullopt;
  };

  Run run(env, options);
  if (!wait) {
    try {
      if (!run.Start()) return run.exitCode;
      const DeviceKind kind = run.Discover();
      if (kind == DeviceKind::None) return run.exitCode;
      const auto index = nextRow(kind);
      if (!index) {
        env.err << "error: " << planFile << " has no row for a " << KindName(kind) << "\n";
        return kExitRefused;
      }
      const WriteReport result = run.session->Write(rows[*index].settings, true);
      report.Add(ReportLine(rows[*index], result));
      if (result.status == WriteReport::Status::Interrupted) {
        env.err << InterruptedSummary(result) << "\n";
      }
      return ExitFor(result.status);
    } catch (const Interrupted&) {
      return run.Interrupted();
    }
  }

  // --wait: the port may be missing now and come and go between devices.
  int exitCode = kExitDone;
  const auto name = ResolvePort(env, options, exitCode);
  if (!name) return exitCode;
  bool failed = false;
  bool interrupted = false;
  std::unique_ptr<SerialPort> port = env.makePort();
  std::ofstream trace;
  if (!options.traceFile.empty()) {
    trace.open(options.traceFile, std::ios::app | std::ios::binary);
    if (!trace) {
      env.err << "error: " << options.traceFile << ": cannot open the trace file\n";
      return kExitUsage;
    }
  }
  DeviceSession session(*port, env.pause, env.err, trace.is_open() ? &trace : nullptr,
                        env.stopRequested);
  env.err << "waiting for a device on " << *name << " (Ctrl+C stops)\n";
  try {
    while (done.size() < rows.size() && !StopRequested(env)) {
      session.SetQuiet(true);
      if (!session.Connected() && !session.Connect(*name)) {
        session.Disconnect();
        Wait(env, kPollMs);
        continue;
      }
      const DeviceKind kind = session.Discover();
      if (kind == DeviceKind::None || !session.ReadsAnswered()) {
        if (session.LineFailed()) session.Disconnect();
        Wait(env, kPollMs);
        continue;
      }
      session.SetQuiet(false);
      const auto index = nextRow(kind);
      if (!index) {
        env.err << "a " << KindName(kind) << " answered, but no row of that kind is left\n";
      } else {
        env.err << "a " << KindName(kind) << " answered: applying " << rows[*index].label << "\n";
        const WriteReport result = session.Write(rows[*index].settings, true);
        report.Add(ReportLine(rows[*index], result));
        done.insert(*index);
        if (result.status == WriteReport::Status::Interrupted) {
          interrupted = true;
          break;
        }
        if (result.status != WriteReport::Status::Done) failed = true;
        if (done.size() == rows.size()) break;
      }
      env.err << "unplug the " << KindName(kind) << "\n";
      session.SetQuiet(true);
      while (!StopRequested(env) && session.Probe()) Wait(env, kPollMs);
      if (session.LineFailed()) session.Disconnect();
      if (!StopRequested(env)) env.err << "waiting for a device on " << *name << "\n";
    }
  } catch (const Interrupted&) {
    interrupted = true;
  }
  interrupted = interrupted || StopRequested(env);
  if (interrupted) {
    std::vector<std::string> left;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (done.count(i) == 0) left.push_back(rows[i].label);
    }
    env.err << "interrupted; rows not applied: " << (left.empty() ? "none" : Joined(left, ", "))
            << "\n";
    return kExitInterrupted;
  }
  return failed ? kExitDiffers : kExitDone;
}

}  // namespace intercom::cli
