#include <algorithm>
#include <map>

#include "cli/apply_service.h"
#include "cli/command_run.h"
#include "cli/commands.h"
#include "cli/plan.h"
#include "cli/station_ports.h"
#include "device/input_error.h"

namespace intercom::cli {
namespace {

// The rows an earlier run of this plan recorded in `report`: finished (OK)
// rows are settled, and so are failed ones unless `retryFailed`; a row whose
// last line says STOPPED, or that has none, is done again. A check's lines
// (IN SYNC, WOULD CHANGE) do not count. False, with the reason on err, when
// the report cannot be read or is of another plan.
bool Resume(Environment& env, const ApplyOptions& apply, const ReportHeader& header,
            ReportFormat format, PlanProgress& plan, std::vector<std::string>& failedBefore) {
  const auto contents = ReadReport(env.err, apply.resumeReport, format);
  if (!contents) return false;
  if (contents->header.planHash != header.planHash) {
    env.err << "error: " << apply.resumeReport << " is the report of another plan (sha256 "
            << contents->header.planHash.substr(0, 12) << "..., " << apply.planFile
            << " has sha256 " << header.planHash.substr(0, 12) << "...); nothing was done\n";
    return false;
  }
  std::map<std::string, std::string> last;
  for (const ReportRecord& record : contents->records) {
    if (record.result == kResultInSync || record.result == kResultWouldChange) continue;
    last[record.label] = record.result;
  }
  size_t done = 0;
  for (size_t i = 0; i < plan.Size(); ++i) {
    const auto found = last.find(plan.Row(i).label);
    if (found == last.end()) continue;
    if (found->second == kResultOk) {
      plan.Settle(i);
      ++done;
    } else if (IsFailure(found->second) && !apply.retryFailed) {
      plan.Settle(i);
      failedBefore.push_back(plan.Row(i).label);
    }
  }
  env.err << "resuming " << apply.resumeReport << ": " << done << " of " << plan.Size()
          << " rows written and read back before";
  if (!failedBefore.empty()) {
    env.err << "; failed before and left alone (--retry-failed retries them): "
            << Joined(failedBefore, ", ");
  }
  env.err << "; " << plan.LabelsLeft().size() << " left\n";
  return true;
}

// The code of several ports each served once: the worst failure, else 6
// when a device would change.
int Combined(const std::vector<int>& codes) {
  int worst = kExitDone;
  bool wouldChange = false;
  for (const int code : codes) {
    if (code == kExitWouldChange) {
      wouldChange = true;
    } else {
      worst = std::max(worst, code);
    }
  }
  return worst == kExitDone && wouldChange ? kExitWouldChange : worst;
}

}  // namespace

int RunApply(Environment& env, const CommonOptions& options, const ApplyOptions& apply) {
  std::vector<PlanRow> rows;
  try {
    const auto text = ReadInput(env, apply.planFile);
    if (!text) return kExitUsage;
    rows = ParsePlan(*env.catalogue, *text, apply.planFile);
  } catch (const InputError& error) {
    env.err << "error: " << error.what() << "\n";
    return kExitRefused;
  }
  if (rows.empty()) {
    env.err << "error: " << apply.planFile << ": the plan has no rows\n";
    return kExitRefused;
  }
  const std::string reportPath = apply.resumeReport.empty() ? apply.reportFile : apply.resumeReport;
  const ReportFormat format = apply.reportFormat.empty() ? ReportFormatOfPath(reportPath)
                                                         : *ReportFormatNamed(apply.reportFormat);
  const ReportHeader header{apply.planFile, PlanHash(*env.catalogue, rows)};
  PlanProgress plan(std::move(rows));
  std::vector<std::string> failedBefore;
  if (!apply.resumeReport.empty()) {
    if (!Resume(env, apply, header, format, plan, failedBefore)) return kExitUsage;
    if (plan.AllTaken()) {
      env.err << "nothing left to apply\n";
      return failedBefore.empty() ? kExitDone : kExitDiffers;
    }
  }

  SharedOutput out(env.out);
  SharedOutput err(env.err);
  ReportWriter report;
  if (!reportPath.empty() && !report.Open(env.err, reportPath, format, header)) return kExitUsage;
  SharedOutput traceFile;
  SharedOutput* trace = nullptr;
  if (!OpenTrace(env.err, options.traceFile, traceFile, err, trace)) return kExitUsage;
  int exitCode = kExitDone;
  auto backups = apply.check ? std::nullopt : OpenBackups(env, apply.backup, exitCode);
  if (!apply.check && !apply.backup.off && !backups) return exitCode;

  ApplyService service(env, apply.planFile, plan, report, format, out, err,
                       backups ? &*backups : nullptr, apply.check);
  const StationOutcome outcome = ServeStation(env, options, apply.station, service, err, trace);
  if (!outcome.served) return outcome.exitCode;

  const std::vector<std::string> left = plan.LabelsLeft();
  const std::string notApplied =
      "rows not applied: " + (left.empty() ? "none" : Joined(left, ", "));
  std::vector<std::string> failedFiles;
  if (report.Failed()) failedFiles.push_back(report.Path());
  if (trace != nullptr && trace->Failed()) {
    failedFiles.push_back(trace->Path().empty() ? "the trace" : trace->Path());
  }
  if (!failedFiles.empty()) {
    err.Write("error: " + Joined(failedFiles, ", ") +
              ": could not be written whole (disk full or file size limit?); stopped; " +
              notApplied + "\n");
    return kExitUsage;
  }
  if (service.BackupFailed()) {
    err.Write("error: a backup could not be written; stopped; " + notApplied + "\n");
    return kExitUsage;
  }
  if (apply.station.wait && outcome.stopped) {
    err.Write("interrupted; " + notApplied + "\n");
    return kExitInterrupted;
  }
  if (!failedBefore.empty()) {
    err.Write("rows that failed before and were left alone: " + Joined(failedBefore, ", ") + "\n");
  }
  if (!apply.station.wait) {
    const int code = Combined(outcome.codes);
    return code == kExitDone && !failedBefore.empty() ? kExitDiffers : code;
  }
  if (service.RowFailed() || !failedBefore.empty()) return kExitDiffers;
  return service.WouldChange() ? kExitWouldChange : kExitDone;
}

}  // namespace intercom::cli
