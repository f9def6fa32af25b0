#include "cli/apply_service.h"

#include <chrono>

#include "cli/command_run.h"
#include "serial/local_time.h"

namespace intercom::cli {
namespace {

// OK when everything asked was written and read back; UNVERIFIED when every
// request that differed was answered but some were not seen to read back;
// STOPPED when a stop cut the write short; FAILED otherwise.
void Judged(const WriteReport& report, ReportRecord& record) {
  const bool ok = report.status == WriteReport::Status::Done;
  if (report.status == WriteReport::Status::Interrupted) {
    record.result = kResultStopped;
    record.details = InterruptedSummary(report);
    return;
  }
  const bool unverified = !ok && report.status != WriteReport::Status::Differs &&
                          report.notWritten.empty() && !report.answered.empty();
  record.result = ok ? kResultOk : unverified ? kResultUnverified : kResultFailed;
  if (ok) {
    record.details =
        report.changes.empty() ? "nothing to write" : "wrote " + Joined(report.changes, "; ");
    return;
  }
  std::vector<std::string> verdicts;
  for (const intercom::ReportLine& line : WriteReportLines(report, true)) {
    const std::string error = "error: ";
    verdicts.push_back(line.text.rfind(error, 0) == 0 ? line.text.substr(error.size()) : line.text);
  }
  record.details = Joined(verdicts, "; ");
}

}  // namespace

ApplyService::ApplyService(Environment& env, const std::string& planFile, PlanProgress& plan,
                           ReportWriter& report, ReportFormat format, SharedOutput& out,
                           SharedOutput& err, BackupStore* backups, bool check)
    : env_(env),
      planFile_(planFile),
      plan_(plan),
      report_(report),
      format_(format),
      out_(out),
      err_(err),
      backups_(backups),
      check_(check) {}

int ApplyService::Serve(const StationPort& port, DeviceConversation& conversation,
                        const FoundDevice& found, std::ostream& err, bool waiting) {
  const DeviceKind kind = found.kind;
  const std::string kindName = env_.catalogue->KindName(kind);
  const auto index = plan_.Take(kind, [&conversation](const DeviceSettings& row) {
    return conversation.Changes(row).empty();
  });
  if (!index) {
    if (waiting) {
      err << "a " << kindName << " answered, but no row of that kind is left\n";
    } else {
      err << "error: " << planFile_ << " has no row " << (plan_.HasKind(kind) ? "left " : "")
          << "for a " << kindName << "\n";
    }
    return kExitRefused;
  }
  const PlanRow& row = plan_.Row(*index);
  if (waiting) {
    err << "a " << kindName << " answered: " << (check_ ? "checking " : "applying ") << row.label
        << "\n";
  }
  ReportRecord record;
  record.time = LocalRfc3339(found.began);
  record.label = row.label;
  record.kind = kindName;
  record.port = port.name;
  record.portId = port.portId;
  const int code = check_ ? Check(conversation, row, record)
                          : Apply(conversation, row, port, record, err, waiting);
  record.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - found.beganSteady).count();
  Report(record);
  return code;
}

int ApplyService::Check(DeviceConversation& conversation, const PlanRow& row,
                        ReportRecord& record) {
  const std::vector<std::string> refusals = conversation.Refusals(row.settings);
  if (!refusals.empty()) {
    rowFailed_ = true;
    record.result = kResultFailed;
    record.details = "would refuse: " + Joined(refusals, "; ");
    return kExitRefused;
  }
  const std::vector<SettingChange> changes = conversation.Changes(row.settings);
  if (changes.empty()) {
    record.result = kResultInSync;
    record.details = "nothing would change";
    return kExitDone;
  }
  std::vector<std::string> texts;
  for (const SettingChange& change : changes) texts.push_back(ChangeText(change, "holds"));
  wouldChange_ = true;
  record.result = kResultWouldChange;
  record.details = "would write: " + Joined(texts, "; ");
  return kExitWouldChange;
}

int ApplyService::Apply(DeviceConversation& conversation, const PlanRow& row,
                        const StationPort& port, ReportRecord& record, std::ostream& err,
                        bool waiting) {
  // What the device held is kept before anything is sent that could change it.
  if (backups_ != nullptr && !conversation.Changes(row.settings).empty() &&
      conversation.Refusals(row.settings).empty()) {
    try {
      const BackupEntry entry{record.time, port.name, port.portId, conversation.Current()};
      record.backup = backups_->Save(entry, std::chrono::system_clock::now());
      backups_->AddToInventory(entry, record.backup);
    } catch (const BackupError& failure) {
      backupFailed_ = true;
      rowFailed_ = true;
      record.result = kResultFailed;
      record.details = std::string("not written: the backup failed: ") + failure.what();
      err << "error: " << failure.what() << "; nothing was written\n";
      return kExitUsage;
    }
  }
  const WriteReport result = conversation.Write(row.settings, true);
  Judged(result, record);
  if (result.status == WriteReport::Status::Interrupted) {
    if (!waiting) err << InterruptedSummary(result) << "\n";
    return kExitInterrupted;
  }
  if (result.status != WriteReport::Status::Done) rowFailed_ = true;
  return ExitFor(result.status);
}

void ApplyService::Report(const ReportRecord& record) {
  out_.Write(ReportLineText(format_, record) + "\n");
  report_.Add(record);
  const size_t done = plan_.Reported();
  if (env_.errIsTerminal) {
    err_.Write("progress: " + std::to_string(done) + "/" + std::to_string(plan_.Size()) +
               " rows done\n");
  }
}

}  // namespace intercom::cli
