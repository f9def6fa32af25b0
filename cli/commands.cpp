#include "cli/commands.h"

#include <chrono>

#include "cli/command_run.h"
#include "device/input_error.h"
#include "device/setting_text.h"
#include "device/settings_json.h"
#include "serial/local_time.h"
#include "serial/port_description.h"
#include "serial/port_enumeration.h"

namespace intercom::cli {
namespace {

void PrintSettings(std::ostream& out, const Catalogue& catalogue, const DeviceSettings& settings) {
  out << "kind=" << catalogue.KindName(settings.kind) << "\n";
  for (const SettingValue& v : settings.values) {
    out << v.setting->name << "=";
    if (v.setting->encoding == Encoding::Studio) {
      out << (v.value != 0 ? "true" : "false");
    } else {
      out << v.value;
    }
    out << "\n";
  }
}

void PrintWrite(Environment& env, const WriteReport& report, bool verify) {
  if (report.status == WriteReport::Status::Interrupted) {
    env.err << InterruptedSummary(report) << "\n";
    return;
  }
  for (const ReportLine& line : WriteReportLines(report, verify)) {
    (line.error ? env.err : env.out) << line.text << "\n";
  }
}

PortDescription Describe(const Environment& env, const std::string& path) {
  return env.sysfsTtyDir.empty() ? DescribeSerialPort(path)
                                 : DescribePort(path, env.sysfsTtyDir, env.byIdDir);
}

// write --check: what a write of `wanted` would change. Sends nothing.
int PrintCheck(Environment& env, const DeviceConversation& conversation,
               const DeviceSettings& wanted) {
  const std::vector<std::string> refusals = conversation.Refusals(wanted);
  for (const std::string& refusal : refusals) env.err << "error: " << refusal << "\n";
  if (!refusals.empty()) return kExitRefused;
  const std::vector<SettingChange> changes = conversation.Changes(wanted);
  if (changes.empty()) env.out << "in sync: nothing would change\n";
  for (const SettingChange& change : changes) {
    env.out << "would write: " << ChangeText(change, "holds") << "\n";
  }
  return changes.empty() ? kExitDone : kExitWouldChange;
}

// Saves what the device on `run` holds, before a write, with its line in the
// inventory; the backup's path, or nullopt with the reason on err.
std::optional<std::string> BackUp(Environment& env, const Run& run, const BackupChoice& choice) {
  int exitCode = kExitDone;
  auto store = OpenBackups(env, choice, exitCode);
  if (!store) return std::nullopt;
  try {
    const auto now = std::chrono::system_clock::now();
    const BackupEntry entry{LocalRfc3339(now), run.portName, PortId(env, run.portName),
                            run.conversation->Current()};
    const std::string path = store->Save(entry, now);
    store->AddToInventory(entry, path);
    return path;
  } catch (const BackupError& error) {
    env.err << "error: " << error.what() << "\n";
    return std::nullopt;
  }
}

}  // namespace

int RunPorts(Environment& env) {
  const std::optional<std::vector<std::string>> listed = MachinePorts(env);
  if (!listed) return kExitPort;
  const std::vector<std::string>& ports = *listed;
  if (ports.empty()) env.err << "no serial ports found\n";
  const auto orDash = [](const std::string& text) {
    return text.empty() ? std::string("-") : text;
  };
  for (const std::string& path : ports) {
    const PortDescription d = Describe(env, path);
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
    env.out << env.catalogue->KindName(kind) << "\n";
    return kExitDone;
  } catch (const Interrupted&) {
    return run.Stopped();
  }
}

int RunRead(Environment& env, const CommonOptions& options, bool json) {
  Run run(env, options);
  try {
    if (!run.Start()) return run.exitCode;
    const DeviceKind kind = run.Discover();
    if (kind == DeviceKind::None) return run.exitCode;
    const DeviceSettings& settings = run.conversation->Current();
    if (json) {
      env.out << SettingsJson(*env.catalogue, settings);
    } else {
      PrintSettings(env.out, *env.catalogue, settings);
    }
    return kExitDone;
  } catch (const Interrupted&) {
    return run.Stopped();
  }
}

int RunWrite(Environment& env, const CommonOptions& options, const WriteOptions& write) {
  const std::string& file = write.file;
  // Everything that can be checked without the device is checked first.
  const Catalogue& catalogue = *env.catalogue;
  std::optional<DeviceSettings> fromFile;
  std::vector<std::pair<std::string, std::string>> assignments;
  try {
    if (!file.empty()) {
      const auto text = ReadInput(env, file);
      if (!text) return kExitUsage;
      fromFile = ParseSettingsJson(catalogue, *text, file);
    }
    for (const std::string& set : write.sets) {
      const size_t equals = set.find('=');
      const std::string name = set.substr(0, equals);
      if (equals == std::string::npos || !catalogue.IsSettingName(name)) {
        throw InputError("--set " + ShownText(set) + ": expected NAME=VALUE with a setting name");
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

    DeviceSettings wanted;
    try {
      if (fromFile) {
        CheckSettingsKind(catalogue, *fromFile, kind, file, run.portName);
        wanted = *fromFile;
      } else {
        wanted.kind = kind;
        for (const auto& [name, text] : assignments) {
          const SettingEntry* setting = catalogue.Find(kind)->Find(name);
          if (setting == nullptr) {
            throw InputError("--set: '" + name + "' is not a setting of a " +
                             catalogue.KindName(kind) + " (" + catalogue.Describe(kind) + ")");
          }
          AddSetting(catalogue, wanted, name, ParseSettingValue(*setting, text), "--set: ");
        }
      }
    } catch (const InputError& error) {
      env.err << "error: " << error.what() << "\n";
      env.err << "error: nothing was written\n";
      return kExitRefused;
    }

    if (write.check) return PrintCheck(env, *run.conversation, wanted);
    // A write that refuses or has nothing to do sends nothing: no backup.
    if (!write.backup.off && run.conversation->Refusals(wanted).empty() &&
        !run.conversation->Changes(wanted).empty()) {
      const auto backup = BackUp(env, run, write.backup);
      if (!backup) {
        env.err << "error: nothing was written\n";
        return kExitUsage;
      }
      env.out << "backup: " << *backup << "\n";
    }

    const WriteReport report = run.conversation->Write(wanted, write.verify);
    PrintWrite(env, report, write.verify);
    // A stop inside the write (a signal, or a trace that could no longer be
    // written) ends as the stop says.
    return report.status == WriteReport::Status::Interrupted ? run.Stopped()
                                                             : ExitFor(report.status);
  } catch (const Interrupted&) {
    return run.Stopped();
  }
}

}  // namespace intercom::cli
