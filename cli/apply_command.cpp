#include <filesystem>
#include <set>

#include "cli/command_run.h"
#include "cli/commands.h"
#include "cli/input_error.h"
#include "cli/plan.h"

namespace intercom::cli {
namespace {

// How often the wait loop looks at the line, in ms.
constexpr int kPollMs = 300;
constexpr int kMissedProbesForGone = 2;

// A report line: label,kind,OK or FAILED,details.
std::string ReportLine(const Catalogue& catalogue, const PlanRow& row, const WriteReport& report) {
  const bool ok = report.status == WriteReport::Status::Done;
  std::string details;
  if (report.status == WriteReport::Status::Interrupted) {
    details = InterruptedSummary(report);
  } else if (ok) {
    details = report.changes.empty() ? "nothing to write" : "wrote " + Joined(report.changes, "; ");
  } else {
    details = Joined(report.problems, "; ");
  }
  return CsvField(row.label) + "," + catalogue.KindName(row.settings.kind) + "," +
         (ok ? "OK" : "FAILED") + "," + CsvField(details);
}

// Appends report lines to the --report file, with a header when it makes the file.
class ReportFile {
 public:
  ReportFile(Environment& env, const std::string& path) : env_(env), path_(path) {}

  bool Open() {
    if (path_.empty()) return true;
    std::error_code error;
    const bool existed = std::filesystem::exists(path_, error);
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

// The rows of a plan and which of them this run has applied.
class Progress {
 public:
  explicit Progress(std::vector<PlanRow> rows) : rows_(std::move(rows)) {}

  // The first row of `kind` not applied yet.
  std::optional<size_t> Next(DeviceKind kind) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (done_.count(i) == 0 && rows_[i].settings.kind == kind) return i;
    }
    return std::nullopt;
  }
  const PlanRow& Row(size_t index) const { return rows_[index]; }
  void Done(size_t index) { done_.insert(index); }
  bool Finished() const { return done_.size() == rows_.size(); }
  std::vector<std::string> LabelsLeft() const {
    std::vector<std::string> left;
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (done_.count(i) == 0) left.push_back(rows_[i].label);
    }
    return left;
  }

 private:
  std::vector<PlanRow> rows_;
  std::set<size_t> done_;
};

// Without --wait: the first row of the kind found, once.
int ApplyOnce(Environment& env, const CommonOptions& options, const std::string& planFile,
              Progress& plan, ReportFile& report) {
  Run run(env, options);
  try {
    if (!run.Start()) return run.exitCode;
    const DeviceKind kind = run.Discover();
    if (kind == DeviceKind::None) return run.exitCode;
    const auto index = plan.Next(kind);
    if (!index) {
      env.err << "error: " << planFile << " has no row for a " << env.catalogue->KindName(kind)
              << "\n";
      return kExitRefused;
    }
    const WriteReport result = run.session->Write(plan.Row(*index).settings, true);
    report.Add(ReportLine(*env.catalogue, plan.Row(*index), result));
    if (result.status == WriteReport::Status::Interrupted) {
      env.err << InterruptedSummary(result) << "\n";
    }
    return ExitFor(result.status);
  } catch (const Interrupted&) {
    return run.Stopped();
  }
}

// Probes until the device has stopped answering: two probes in a row without
// an answer, or a failing line (an adapter unplugged, which is then closed).
// One lost reply must not pass the same device off as the next one.
void WaitUntilGone(Environment& env, DeviceSession& session) {
  int missed = 0;
  while (missed < kMissedProbesForGone && !StopRequested(env)) {
    missed = session.Probe() ? 0 : missed + 1;
    if (session.LineFailed()) {
      session.Disconnect();
      return;
    }
    Wait(env, kPollMs);
  }
}

// --wait: one device after another on the same port, which may be missing
// now and come and go between devices. While polling, boxes are not printed.
int ApplyWaiting(Environment& env, const CommonOptions& options, Progress& plan,
                 ReportFile& report) {
  int exitCode = kExitDone;
  const auto name = ResolvePort(env, options, exitCode);
  if (!name) return exitCode;
  std::ofstream trace;
  if (!options.traceFile.empty()) {
    trace.open(options.traceFile, std::ios::app | std::ios::binary);
    if (!trace) {
      env.err << "error: " << options.traceFile << ": cannot open the trace file\n";
      return kExitUsage;
    }
  }
  std::unique_ptr<SerialPort> port = env.makePort();
  DeviceSession session(*port, env.pause, env.err, trace.is_open() ? &trace : nullptr,
                        env.stopRequested, *env.catalogue);

  bool failed = false;
  bool interrupted = false;
  env.err << "waiting for a device on " << *name << " (Ctrl+C stops)\n";
  try {
    while (!plan.Finished() && !StopRequested(env)) {
      session.SetQuiet(true);
      if (!session.Connected() && !session.Connect(*name)) {
        session.Disconnect();
        Wait(env, kPollMs);
        continue;
      }
      const DeviceKind kind = session.Discover();
      if (kind == DeviceKind::None || !session.ReadsAnswered()) {
        // A port that failed is reopened: a re-plugged adapter is a new device node.
        if (session.LineFailed()) session.Disconnect();
        Wait(env, kPollMs);
        continue;
      }
      session.SetQuiet(false);
      const auto index = plan.Next(kind);
      if (!index) {
        env.err << "a " << env.catalogue->KindName(kind)
                << " answered, but no row of that kind is left\n";
      } else {
        env.err << "a " << env.catalogue->KindName(kind) << " answered: applying "
                << plan.Row(*index).label << "\n";
        const WriteReport result = session.Write(plan.Row(*index).settings, true);
        report.Add(ReportLine(*env.catalogue, plan.Row(*index), result));
        plan.Done(*index);
        if (result.status == WriteReport::Status::Interrupted) {
          interrupted = true;
          break;
        }
        if (result.status != WriteReport::Status::Done) failed = true;
        if (plan.Finished()) break;
      }
      env.err << "unplug the " << env.catalogue->KindName(kind) << "\n";
      session.SetQuiet(true);
      WaitUntilGone(env, session);
      if (!StopRequested(env)) env.err << "waiting for a device on " << *name << "\n";
    }
  } catch (const Interrupted&) {
    interrupted = true;
  }
  if (interrupted || StopRequested(env)) {
    const std::vector<std::string> left = plan.LabelsLeft();
    env.err << "interrupted; rows not applied: " << (left.empty() ? "none" : Joined(left, ", "))
            << "\n";
    return kExitInterrupted;
  }
  return failed ? kExitDiffers : kExitDone;
}

}  // namespace

int RunApply(Environment& env, const CommonOptions& options, const std::string& planFile, bool wait,
             const std::string& reportFile) {
  std::vector<PlanRow> rows;
  try {
    const auto text = ReadInput(env, planFile);
    if (!text) return kExitUsage;
    rows = ParsePlan(*env.catalogue, *text, planFile);
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
  Progress plan(std::move(rows));
  return wait ? ApplyWaiting(env, options, plan, report)
              : ApplyOnce(env, options, planFile, plan, report);
}

}  // namespace intercom::cli
