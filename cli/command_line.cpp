#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "cli/exit_codes.h"
#include "protocol/kind_lists.h"

#ifndef INTERCOM_VERSION
#error "INTERCOM_VERSION must be defined by the build"
#endif

namespace intercom::cli {
namespace {

// The help footer after the settings of every kind.
constexpr const char* kFooterRest =
    R"(Without -p the port is the one named in COM.ini of the working directory,
else in the window program's own COM.ini
(${XDG_CONFIG_HOME:-$HOME/.config}/intercom-config/COM.ini), else the
machine's only serial port. COM.ini is only read, never written.

Report and trace files are appended to; they must be regular files (a new
one is created). --trace - writes the trace to standard error.

Exit codes (the same for every command):
  0      done
  1      usage: a bad command line, or a file that cannot be read or written
         (settings file, plan, COM.ini, report or trace file)
  2      the port could not be opened or configured (doctor: a port cannot
         be used)
  3      no device answered, or it did not answer whole
  4      input refused: out of range, not a number, wrong kind, unknown name
  5      not all written and read back: a request unanswered, a read back
         not whole (apply: UNVERIFIED) or one that differs
  6      --check: a device does not hold what it would be given
  128+N  ended by signal N between two exchanges: 130 Ctrl+C (SIGINT),
         143 SIGTERM, 129 SIGHUP)";

// One run of settings as the footer lists it: "key1..key10 (addresses 0..32)".
// The first run that can hold 0 for an address says what 0 means, once.
std::string RunText(const SettingRun& run, bool& noneExplained) {
  const std::string names = run.last.empty() ? run.first : run.first + ".." + run.last;
  if (run.encoding == Encoding::Studio) return names + " (true/false)";
  const std::string range = std::to_string(run.low) + ".." + std::to_string(run.high);
  std::string note;
  if (run.encoding == Encoding::Address && run.low == 0 && !noneExplained) {
    noneExplained = true;
    note = "0 = none";
  }
  if (run.last.empty()) return names + " " + range + (note.empty() ? "" : " (" + note + ")");
  return names + " (" + ValueNoun(run.encoding) + " " + range + (note.empty() ? "" : ", " + note) +
         ")";
}

std::string Footer(const Catalogue& catalogue) {
  size_t width = 0;
  for (const KindEntry& kind : catalogue.Kinds()) width = std::max(width, std::strlen(kind.name));
  std::string text = "Settings (the names of --set, settings files and plan columns):\n";
  bool noneExplained = false;
  for (const KindEntry& kind : catalogue.Kinds()) {
    std::vector<std::string> runs;
    for (const SettingRun& run : SettingRuns(kind)) runs.push_back(RunText(run, noneExplained));
    text += "  " + std::string(kind.name) + std::string(width + 2 - std::strlen(kind.name), ' ') +
            JoinList(runs, ", ", ", ") + "\n";
  }
  return text + "\n" + kFooterRest;
}

// An empty -p would otherwise read as no -p at all, and a script whose port
// variable is empty would reach the device of COM.ini or the only port.
CLI::Validator PortName() {
  return CLI::Validator(
      [](const std::string& name) {
        return name.find_first_not_of(" \t\r\n\v\f") == std::string::npos
                   ? std::string("a port name cannot be empty or blank")
                   : std::string();
      },
      "");
}

void AddTrace(CLI::App* command, CommonOptions& options) {
  command
      ->add_option("--trace", options.traceFile,
                   "append every request and reply, with a monotonic timestamp, to FILE "
                   "(- for standard error)")
      ->type_name("FILE");
}

void AddCommon(CLI::App* command, CommonOptions& options) {
  command
      ->add_option("-p,--port", options.port,
                   "serial port, e.g. /dev/ttyUSB0, or a serial server's rfc2217://HOST:PORT or "
                   "socket://HOST:PORT")
      ->check(PortName())
      ->type_name("PORT");
  AddTrace(command, options);
}

// -p of a command that serves several ports at once.
void AddPorts(CLI::App* command, std::vector<std::string>& ports) {
  command
      ->add_option("-p,--port", ports,
                   "serial port, e.g. /dev/ttyUSB0 or rfc2217://HOST:PORT; repeat it to work on "
                   "several ports at once")
      ->check(PortName())
      ->type_name("PORT");
}

// --wait and --any-port of a station.
void AddStation(CLI::App* command, StationChoice& station, const char* waitHelp) {
  CLI::Option* wait = command->add_flag("--wait", station.wait, waitHelp);
  CLI::Option* anyPort =
      command
          ->add_flag("--any-port", station.anyPort,
                     "with --wait: serve every serial adapter plugged in, each while it is "
                     "present, named by its /dev/serial/by-path link (instead of -p)")
          ->needs(wait)
          ->excludes("--port");
  command
      ->add_option("--port-folder", station.portFolder,
                   "with --any-port: serve the ports linked in DIR (as a site's udev rules "
                   "make them) instead of the machine's adapters")
      ->type_name("DIR")
      ->needs(anyPort);
}

// --backup-dir and --no-backup, which exclude each other; both returned.
std::pair<CLI::Option*, CLI::Option*> AddBackup(CLI::App* command, BackupChoice& backup) {
  CLI::Option* folder =
      command
          ->add_option("--backup-dir", backup.folder,
                       "save what each device held before it is written here (default: "
                       "${XDG_STATE_HOME:-~/.local/state}/intercom-config/backups; on Windows "
                       "%LOCALAPPDATA%\\intercom-config\\backups)")
          ->type_name("DIR");
  CLI::Option* none = command->add_flag("--no-backup", backup.off, "make no backup before writing")
                          ->excludes(folder);
  return {folder, none};
}

}  // namespace

const char* Version() {
  return INTERCOM_VERSION;
}

int RunCommandLine(int argc, const char* const* argv, Environment& env) {
  const Catalogue& catalogue = *env.catalogue;
  CLI::App app("intercom-cli " + std::string(Version()) +
                   ": reads and writes the settings of intercom devices (" +
                   JoinList(KindTitleList(catalogue), ", ", ", ") + ") on a serial port",
               "intercom-cli");
  app.set_version_flag("--version", std::string("intercom-cli ") + Version());
  app.require_subcommand(1);
  app.footer(Footer(catalogue));

  CommonOptions options;
  bool json = false;
  WriteOptions writeOptions;
  bool noVerify = false;
  std::vector<std::string> applyPorts;

  CLI::App* ports = app.add_subcommand(
      "ports", "list the serial ports: path, /dev/serial/by-id name, USB id, maker, product");
  CLI::App* detect = app.add_subcommand("detect", "find the kind of the device on the port");
  AddCommon(detect, options);
  CLI::App* read = app.add_subcommand("read", "print every setting of the device");
  AddCommon(read, options);
  read->add_flag("--json", json, "print one JSON settings document");
  CLI::App* write = app.add_subcommand(
      "write",
      "write settings from a JSON file or --set, then read them back and compare; what the "
      "device held is saved first as a settings file (a backup, which write FILE restores)");
  AddCommon(write, options);
  CLI::Option* fileOption = write->add_option(
      "FILE", writeOptions.file, "JSON settings file (as read --json prints, or a backup)");
  write->add_option("--set", writeOptions.sets, "one setting, e.g. --set key3=7 (repeatable)")
      ->type_name("NAME=VALUE")
      ->excludes(fileOption);
  CLI::Option* noVerifyOption =
      write->add_flag("--no-verify", noVerify, "do not read back what was written");
  const auto [backupDirOption, noBackupOption] = AddBackup(write, writeOptions.backup);
  write
      ->add_flag("--check", writeOptions.check,
                 "write nothing: print what would change (would write: NAME=VALUE (holds N)), or "
                 "in sync; exit 6 when something would change")
      ->excludes(noVerifyOption)
      ->excludes(backupDirOption)
      ->excludes(noBackupOption);
  ApplyOptions applyOptions;
  CLI::App* apply = app.add_subcommand(
      "apply",
      "apply the row of a CSV plan for the device found (--wait: one device after another)");
  AddPorts(apply, applyPorts);
  AddTrace(apply, options);
  apply->add_option("PLAN", applyOptions.planFile, "CSV plan: label,kind and setting columns")
      ->required();
  AddStation(apply, applyOptions.station,
             "wait for each device, apply the next row of its kind, wait until it is "
             "unplugged; until the plan is done or Ctrl+C (one such loop per port)");
  apply->add_flag("--check", applyOptions.check,
                  "read each device and say what would change (IN SYNC / WOULD CHANGE); "
                  "write nothing; exit 6 when something would change");
  CLI::Option* reportOption =
      apply
          ->add_option("--report", applyOptions.reportFile,
                       "append a line per row (time, label, kind, port, result, seconds, "
                       "details, backup) to FILE")
          ->type_name("FILE");
  apply
      ->add_option("--report-format", applyOptions.reportFormat,
                   "csv, jsonl or junit (default: by the report's extension: .jsonl, .xml, "
                   "else csv)")
      ->check(CLI::IsMember({"csv", "jsonl", "junit"}))
      ->type_name("FORMAT");
  CLI::Option* resumeOption =
      apply
          ->add_option("--resume", applyOptions.resumeReport,
                       "go on with the run REPORT records: skip the rows written and read back "
                       "there, append to it")
          ->type_name("REPORT")
          ->excludes(reportOption);
  apply
      ->add_flag("--retry-failed", applyOptions.retryFailed,
                 "with --resume: apply again the rows REPORT records as FAILED or UNVERIFIED")
      ->needs(resumeOption);
  AddBackup(apply, applyOptions.backup);
  CLI::App* backup = app.add_subcommand(
      "backup", "save the settings of every device met as a settings file in the backup folder");
  AddPorts(backup, applyPorts);
  AddTrace(backup, options);
  StationChoice backupStation;
  AddStation(backup, backupStation,
             "wait for each device, back it up, wait until it is unplugged; until Ctrl+C "
             "(one such loop per port)");
  BackupChoice backupChoice;
  backup
      ->add_option("--backup-dir", backupChoice.folder,
                   "the backup folder (default: ${XDG_STATE_HOME:-~/.local/state}/"
                   "intercom-config/backups)")
      ->type_name("DIR");

  CLI::App* doctor = app.add_subcommand(
      "doctor",
      "say why a port will not work: its node and access, lock files and programs holding it, "
      "ModemManager, brltty, the adapter and its latency timer; without -p every port");
  doctor
      ->add_option("-p,--port", options.port,
                   "the port to check, e.g. /dev/ttyUSB0 or rfc2217://HOST:PORT")
      ->check(PortName())
      ->type_name("PORT");

  try {
    app.parse(argc, argv);
    if (write->parsed() && writeOptions.file.empty() && writeOptions.sets.empty()) {
      throw CLI::ValidationError("write", "needs a settings FILE or at least one --set");
    }
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error, env.out, env.err);
    return code == 0 ? kExitDone : kExitUsage;
  }

  if (ports->parsed()) return RunPorts(env);
  if (doctor->parsed()) return RunDoctor(env, options);
  if (detect->parsed()) return RunDetect(env, options);
  if (read->parsed()) return RunRead(env, options, json);
  if (write->parsed()) {
    writeOptions.verify = !noVerify;
    return RunWrite(env, options, writeOptions);
  }
  if (!applyPorts.empty()) {
    options.port = applyPorts.front();
    options.morePorts.assign(applyPorts.begin() + 1, applyPorts.end());
  }
  if (backup->parsed()) return RunBackup(env, options, backupStation, backupChoice);
  return RunApply(env, options, applyOptions);
}

}  // namespace intercom::cli
