// What apply does with each device a station finds: takes the plan row of
// its kind, backs up what the device holds, writes the row and judges it,
// or with `check` only says what would change; and reports the row.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "cli/plan_progress.h"
#include "cli/report_formats.h"
#include "cli/report_writer.h"
#include "cli/station.h"
#include "device/backup_store.h"

namespace intercom::cli {

class ApplyService : public DeviceService {
 public:
  // `backups` null: no backup before a write. Everything must outlive the
  // service. `out` takes each report line as well as `report`.
  ApplyService(Environment& env, const std::string& planFile, PlanProgress& plan,
               ReportWriter& report, ReportFormat format, SharedOutput& out, SharedOutput& err,
               BackupStore* backups, bool check);

  int Serve(const StationPort& port, DeviceConversation& conversation, const FoundDevice& found,
            std::ostream& err, bool waiting) override;
  bool Done() const override { return plan_.AllTaken(); }
  bool Failed() const override { return report_.Failed() || backupFailed_; }

  // A row was not written and read back (FAILED or UNVERIFIED).
  bool RowFailed() const { return rowFailed_; }
  // A checked device does not hold its row.
  bool WouldChange() const { return wouldChange_; }
  // A backup could not be written, which stopped the run.
  bool BackupFailed() const { return backupFailed_; }

 private:
  int Check(DeviceConversation& conversation, const PlanRow& row, ReportRecord& record);
  int Apply(DeviceConversation& conversation, const PlanRow& row, const StationPort& port,
            ReportRecord& record, std::ostream& err, bool waiting);
  // The report line, and the progress when a person watches.
  void Report(const ReportRecord& record);

  Environment& env_;
  const std::string& planFile_;
  PlanProgress& plan_;
  ReportWriter& report_;
  const ReportFormat format_;
  SharedOutput& out_;
  SharedOutput& err_;
  BackupStore* backups_;
  const bool check_;
  std::atomic<bool> rowFailed_ = false;
  std::atomic<bool> wouldChange_ = false;
  std::atomic<bool> backupFailed_ = false;
};

}  // namespace intercom::cli
