// What `apply` reports for each plan row, in which file format, and what a
// report file holds as a whole.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace intercom::cli {

enum class ReportFormat { Csv, Jsonl, Junit };

// "csv", "jsonl" or "junit"; nullopt for any other name.
std::optional<ReportFormat> ReportFormatNamed(std::string_view name);
// The name ReportFormatNamed takes.
const char* ReportFormatName(ReportFormat format);
// By the file name's ending: ".jsonl" or ".ndjson" JSON Lines, ".xml" JUnit,
// anything else CSV. The ending's case does not matter.
ReportFormat ReportFormatOfPath(const std::string& path);

// A record's result.
inline constexpr std::string_view kResultOk = "OK";                  // written and read back
inline constexpr std::string_view kResultUnverified = "UNVERIFIED";  // written, not read back
inline constexpr std::string_view kResultFailed = "FAILED";
inline constexpr std::string_view kResultStopped = "STOPPED";  // the run was stopped first
inline constexpr std::string_view kResultInSync = "IN SYNC";   // dry run: nothing to change
inline constexpr std::string_view kResultWouldChange = "WOULD CHANGE";  // dry run

// True for one of the results above.
bool IsReportResult(std::string_view result);
// UNVERIFIED or FAILED: the row still needs doing.
bool IsFailure(std::string_view result);

// One plan row's outcome.
struct ReportRecord {
  std::string time;  // RFC 3339: when the discovery that found the device began
  std::string label;
  std::string kind;    // the catalogue's kind name
  std::string port;    // as the run named it
  std::string portId;  // the port's stable by-id link; empty when it has none
  std::string result;  // one of the kResult constants
  double seconds = 0;  // the row's duration; files keep milliseconds
  std::string details;
  std::string backup;  // the settings file saved before the row was written; empty: none

  bool operator==(const ReportRecord&) const = default;
};

// What a report file says about the plan it reports on.
struct ReportHeader {
  std::string planFile;  // as the command line named it
  std::string planHash;  // PlanHash of its rows

  bool operator==(const ReportHeader&) const = default;
};

// A whole report file.
struct ReportContents {
  ReportHeader header;
  std::vector<ReportRecord> records;
};

}  // namespace intercom::cli
