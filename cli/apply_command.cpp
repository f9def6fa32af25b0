#include <algorithm>
#include <mutex>
#include <set>
#include <thread>

#include "cli/command_run.h"
#include "cli/commands.h"
#include "cli/plan.h"
#include "device/input_error.h"
#include "serial/guarded_file.h"

namespace intercom::cli {
namespace {

// How often the wait loop looks at the line, in ms.
constexpr int kPollMs = 300;
constexpr int kMissedProbesForGone = 2;
constexpr const char* kReportHeader = "label,kind,port,result,details";

// A report line: label,kind,port,result,details. The result is OK when
// everything asked was written and read back, UNVERIFIED when every request
// that differed was answered but some were not seen to read back (a stop or a
// read back that was not whole), FAILED otherwise.
std::string ReportLine(const Catalogue& catalogue, const PlanRow& row, const std::string& port,
                       const WriteReport& report) {
  const bool ok = report.status == WriteReport::Status::Done;
  const bool unverified = !ok && report.status != WriteReport::Status::Differs &&
                          report.notWritten.empty() && !report.answered.empty();
  const char* result = ok ? "OK" : unverified ? "UNVERIFIED" : "FAILED";
  std::string details;
  if (report.status == WriteReport::Status::Interrupted) {
    details = InterruptedSummary(report);
  } else if (ok) {
    details = report.changes.empty() ? "nothing to write" : "wrote " + Joined(report.changes, "; ");
  } else {
    std::vector<std::string> verdicts;
    for (const intercom::ReportLine& line : WriteReportLines(report, true)) {
      const std::string error = "error: ";
      verdicts.push_back(line.text.rfind(error, 0) == 0 ? line.text.substr(error.size())
                                                        : line.text);
    }
    details = Joined(verdicts, "; ");
  }
  return CsvField(row.label) + "," + catalogue.KindName(row.settings.kind) + "," + CsvField(port) +
         "," + result + "," + CsvField(details);
}

// The report lines: on out, and appended to the --report file (with a header
// when the file is new or empty), each flushed before the next device.
class ReportFile {
 public:
  explicit ReportFile(SharedOutput& out) : out_(out) {}

  // False, with the reason on err, when the file cannot be opened or written,
  // or already holds lines of other columns.
  bool Open(std::ostream& err, const std::string& path) {
    if (path.empty()) return true;
    if (!file_.Open(err, path)) return false;
    std::string start;
    if (ReadSettingsFile(path, 4096, start) != 0) {
      err << "error: " << path << ": cannot be read back\n";
      return false;
    }
    if (start.empty()) {
      if (file_.Write(std::string(kReportHeader) + "\n")) return true;
      err << "error: " << path << ": cannot be written\n";
      return false;
    }
    std::string header = start.substr(0, start.find('\n'));
    if (!header.empty() && header.back() == '\r') header.pop_back();
    if (header == kReportHeader) return true;
    err << "error: " << path << ": its first line is not " << kReportHeader
        << "; name a new report file\n";
    return false;
  }
  // False when the file could not take the line.
  bool Add(const std::string& line) {
    out_.Write(line + "\n");
    return !file_.IsOpen() || file_.Write(line + "\n");
  }
  bool Failed() const { return file_.Failed(); }
  const std::string& Path() const { return file_.Path(); }

 private:
  SharedOutput& out_;
  SharedOutput file_;
};

// The rows of a plan and which of them the ports of this run have taken.
// Each row is taken once, by one port.
class Plan {
 public:
  explicit Plan(std::vector<PlanRow> rows) : rows_(std::move(rows)), taken_(rows_.size()) {}

  bool HasKind(DeviceKind kind) const {
    return std::any_of(rows_.begin(), rows_.end(),
                       [kind](const PlanRow& row) { return row.settings.kind == kind; });
  }
  // The first row of `kind` not taken yet, now the caller's.
  std::optional<size_t> Take(DeviceKind kind) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (!taken_[i] && rows_[i].settings.kind == kind) {
        taken_[i] = true;
        ++takenCount_;
        return i;
      }
    }
    return std::nullopt;
  }
  const PlanRow& Row(size_t index) const { return rows_[index]; }
  bool AllTaken() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return takenCount_ == rows_.size();
  }
  // Counts a row reported; the rows reported so far.
  size_t Reported() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return ++reported_;
  }
  size_t Size() const { return rows_.size(); }
  std::vector<std::string> LabelsLeft() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> left;
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (!taken_[i]) left.push_back(rows_[i].label);
    }
    return left;
  }

 private:
  mutable std::mutex mutex_;
  const std::vector<PlanRow> rows_;
  std::vector<bool> taken_;
  size_t takenCount_ = 0;
  size_t reported_ = 0;
};

// What the ports of one apply share.
struct Shared {
  Environment& env;
  const std::string& planFile;
  Plan& plan;
  ReportFile& report;
  SharedOutput& err;
  SharedOutput* trace;  // null: none
  bool severalPorts;
  std::atomic<bool> failed = false;       // a row FAILED
  std::atomic<bool> interrupted = false;  // a write was cut short by a stop

  // Every port stops before its next request once the user asks or the
  // report or the trace cannot be written.
  bool Stopping() const {
    return StopRequested(env) || report.Failed() || (trace != nullptr && trace->Failed());
  }
};

// One port of an apply, on a thread of its own when there are several: its
// own port, conversation and streams, whose lines start with the port's name when
// there are several.
class PortWorker {
 public:
  PortWorker(Shared& shared, std::string portName)
      : shared_(shared),
        name_(std::move(portName)),
        prefix_(shared.severalPorts ? name_ + ": " : ""),
        err_(shared.err, prefix_),
        // Every field but the messages stream and the stop query is the program's.
        env_{shared.env.out,
             err_,
             shared.env.makePort,
             shared.env.pause,
             [this] { return StopHere(); },
             shared.env.sysfsTtyDir,
             shared.env.devDir,
             shared.env.byIdDir,
             shared.env.portChoicePath,
             shared.env.windowPortChoicePath,
             shared.env.errIsTerminal,
             shared.env.catalogue} {}

  // The first row of the kind found, once; the exit code of this port.
  int ApplyOnce();
  // One device after another until every row is taken or the run stops.
  void ApplyWaiting();

 private:
  // Once every row is taken, a port waiting for a device has nothing left to
  // do; one writing its row finishes it.
  bool StopHere() const {
    return shared_.Stopping() || (waiting_ && !holdsRow_ && shared_.plan.AllTaken());
  }
  // The report line of a row, and the progress when a person watches. False
  // when the report file could not take it.
  bool Report(const PlanRow& row, const WriteReport& result);
  void WaitUntilGone(DeviceConversation& conversation);
  std::string KindName(DeviceKind kind) const { return shared_.env.catalogue->KindName(kind); }

  Shared& shared_;
  const std::string name_;
  const std::string prefix_;
  LineStream err_;
  Environment env_;
  bool waiting_ = false;
  bool holdsRow_ = false;
};

bool PortWorker::Report(const PlanRow& row, const WriteReport& result) {
  const bool kept = shared_.report.Add(ReportLine(*env_.catalogue, row, name_, result));
  const size_t done = shared_.plan.Reported();
  if (env_.errIsTerminal) {
    shared_.err.Write("progress: " + std::to_string(done) + "/" +
                      std::to_string(shared_.plan.Size()) + " rows done\n");
  }
  return kept;
}

int PortWorker::ApplyOnce() {
  Run run(env_, name_, shared_.trace, prefix_);
  try {
    if (!run.Start()) return run.exitCode;
    const DeviceKind kind = run.Discover();
    if (kind == DeviceKind::None) return run.exitCode;
    const auto index = shared_.plan.Take(kind);
    if (!index) {
      err_ << "error: " << shared_.planFile << " has no row "
           << (shared_.plan.HasKind(kind) ? "left " : "") << "for a " << KindName(kind) << "\n";
      return kExitRefused;
    }
    const PlanRow& row = shared_.plan.Row(*index);
    const WriteReport result = run.conversation->Write(row.settings, true);
    if (!Report(row, result)) return kExitUsage;
    if (result.status == WriteReport::Status::Interrupted) {
      err_ << InterruptedSummary(result) << "\n";
    }
    return ExitFor(result.status);
  } catch (const Interrupted&) {
    return run.Stopped();
  }
}

// Probes until the device has stopped answering: two probes in a row without
// an answer, or a failing line (an adapter unplugged, which is then closed).
// One lost reply must not pass the same device off as the next one.
void PortWorker::WaitUntilGone(DeviceConversation& conversation) {
  int missed = 0;
  while (missed < kMissedProbesForGone && !StopRequested(env_)) {
    missed = conversation.Probe() ? 0 : missed + 1;
    if (conversation.LineFailed()) {
      conversation.Disconnect();
      return;
    }
    Wait(env_, kPollMs);
  }
}

// The port may be missing now and come and go between devices. While
// polling, boxes are not printed.
void PortWorker::ApplyWaiting() {
  waiting_ = true;
  std::optional<LineStream> trace;
  if (shared_.trace != nullptr) trace.emplace(*shared_.trace, prefix_);
  std::unique_ptr<SerialPort> port = env_.makePort();
  DeviceConversation conversation(*port, env_.pause, err_, trace ? &*trace : nullptr,
                                  env_.stopRequested, *env_.catalogue);

  err_ << "waiting for a device on " << name_ << " (Ctrl+C stops)\n";
  try {
    while (!StopRequested(env_)) {
      conversation.SetQuiet(true);
      if (!conversation.Connected() && !conversation.Connect(name_)) {
        conversation.Disconnect();
        Wait(env_, kPollMs);
        continue;
      }
      const DeviceKind kind = conversation.Discover();
      if (kind == DeviceKind::None || !conversation.ReadsAnswered()) {
        // A port that failed is reopened: a re-plugged adapter is a new device node.
        if (conversation.LineFailed()) conversation.Disconnect();
        Wait(env_, kPollMs);
        continue;
      }
      conversation.SetQuiet(false);
      // From taking a row to its report line no other port's progress stops this one.
      holdsRow_ = true;
      const auto index = shared_.plan.Take(kind);
      if (!index) {
        holdsRow_ = false;
        err_ << "a " << KindName(kind) << " answered, but no row of that kind is left\n";
      } else {
        const PlanRow& row = shared_.plan.Row(*index);
        err_ << "a " << KindName(kind) << " answered: applying " << row.label << "\n";
        const WriteReport result = conversation.Write(row.settings, true);
        const bool reported = Report(row, result);
        holdsRow_ = false;
        if (result.status == WriteReport::Status::Interrupted) {
          shared_.interrupted = true;
          return;
        }
        if (result.status != WriteReport::Status::Done) shared_.failed = true;
        if (!reported) return;
      }
      if (shared_.plan.AllTaken()) return;
      err_ << "unplug the " << KindName(kind) << "\n";
      conversation.SetQuiet(true);
      WaitUntilGone(conversation);
      if (!StopRequested(env_)) err_ << "waiting for a device on " << name_ << "\n";
    }
  } catch (const Interrupted&) {
    // Stopped before a request: by the user, a file, or the end of the plan.
  }
}

// Runs `work(i)` for each port i: on this thread for one port, else on one
// thread each.
template <typename Work>
void ForEachPort(size_t count, Work work) {
  if (count == 1) {
    work(0);
    return;
  }
  std::vector<std::thread> threads;
  for (size_t i = 0; i < count; ++i) threads.emplace_back(work, i);
  for (std::thread& thread : threads) thread.join();
}

// The ports of this apply: every -p, else the default port. nullopt, with
// exitCode set and the reason on err, when there is none or one is named twice.
std::optional<std::vector<std::string>> Ports(Environment& env, const CommonOptions& options,
                                              int& exitCode) {
  if (options.morePorts.empty()) {
    const auto name = ResolvePort(env, options, exitCode);
    if (!name) return std::nullopt;
    return std::vector<std::string>{*name};
  }
  std::vector<std::string> ports{options.port};
  std::set<std::string> seen{options.port};
  for (const std::string& port : options.morePorts) {
    if (!seen.insert(port).second) {
      env.err << "error: -p " << port << " is given twice\n";
      exitCode = kExitUsage;
      return std::nullopt;
    }
    ports.push_back(port);
  }
  return ports;
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
  SharedOutput out(env.out);
  SharedOutput err(env.err);
  ReportFile report(out);
  if (!report.Open(env.err, reportFile)) return kExitUsage;
  SharedOutput traceFile;
  SharedOutput* trace = nullptr;
  if (!OpenTrace(env.err, options.traceFile, traceFile, err, trace)) return kExitUsage;
  int exitCode = kExitDone;
  const auto ports = Ports(env, options, exitCode);
  if (!ports) return exitCode;

  Plan plan(std::move(rows));
  Shared shared{env, planFile, plan, report, err, trace, ports->size() > 1};
  std::vector<std::unique_ptr<PortWorker>> workers;
  for (const std::string& port : *ports) {
    workers.push_back(std::make_unique<PortWorker>(shared, port));
  }
  std::vector<int> codes(workers.size(), kExitDone);
  ForEachPort(workers.size(), [&](size_t i) {
    if (wait) {
      workers[i]->ApplyWaiting();
    } else {
      codes[i] = workers[i]->ApplyOnce();
    }
  });

  std::vector<std::string> failedFiles;
  if (report.Failed()) failedFiles.push_back(report.Path());
  if (trace != nullptr && trace->Failed()) {
    failedFiles.push_back(trace->Path().empty() ? "the trace" : trace->Path());
  }
  const std::vector<std::string> left = plan.LabelsLeft();
  const std::string notApplied =
      "rows not applied: " + (left.empty() ? "none" : Joined(left, ", "));
  if (!failedFiles.empty()) {
    err.Write("error: " + Joined(failedFiles, ", ") +
              ": could not be written whole (disk full or file size limit?); stopped; " +
              notApplied + "\n");
    return kExitUsage;
  }
  if (!wait) return *std::max_element(codes.begin(), codes.end());
  if (shared.interrupted || StopRequested(env)) {
    err.Write("interrupted; " + notApplied + "\n");
    return kExitInterrupted;
  }
  return shared.failed ? kExitDiffers : kExitDone;
}

}  // namespace intercom::cli
