// The text of report files. CSV: a comment line naming the plan, a header
// line, then one line per record. JSON Lines: a first object naming the plan,
// then one object per record. JUnit XML: report_junit.h.
//
//   # intercom-cli report; plan sha256=9f86...; plan file site.csv
//   time,label,kind,port,port_id,result,seconds,details,backup
//   2026-12-08T14:31:05.123+01:00,desk-1,subscriber,/dev/ttyUSB0,,OK,2.412,,
//
//   {"report":"intercom-cli apply","plan":"site.csv","plan_sha256":"9f86..."}
//   {"time":"...","label":"desk-1",...,"seconds":2.412,"details":"","backup":""}
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "cli/report_record.h"

namespace intercom::cli {

// The first line of a CSV report, without its line end.
inline constexpr std::string_view kCsvReportStart = "# intercom-cli report; plan sha256=";
// The header line of a CSV report.
inline constexpr std::string_view kCsvReportColumns =
    "time,label,kind,port,port_id,result,seconds,details,backup";
// The value of "report" in a JSON Lines report's first object.
inline constexpr std::string_view kJsonReportName = "intercom-cli apply";

// The lines a new CSV or JSON Lines report starts with, each ended by "\n".
// A line break in the plan's file name shows as a space in the CSV comment.
std::string ReportStartText(ReportFormat format, const ReportHeader& header);

// A record as one line of its file (of the CSV format for Csv and Junit), without
// the line end. A CSV line may span lines where a field holds a line break.
// Seconds are written with three decimals.
std::string ReportLineText(ReportFormat format, const ReportRecord& record);

// Reads a report file's text. CR LF line ends are taken. In CSV and JSON
// Lines, a last line without its line end (a write cut short) is left out;
// `wholeLength`, when given, is the length of the text before it. nullopt,
// with a one-line `reason` ("its first line is not ...", "line 7: ...") for
// text that is not a report of this format.
std::optional<ReportContents> ParseReport(ReportFormat format, std::string_view text,
                                          std::string& reason, size_t* wholeLength = nullptr);

// What the formats share. Seconds as every format writes them, "2.412", and
// reads them (a finite decimal number, nothing around it).
std::string ReportSecondsText(double seconds);
bool ParseReportSeconds(std::string_view text, double& seconds);
// 64 lowercase hex digits, as PlanHash gives.
bool IsPlanHash(std::string_view text);
// A record read back: false, with `reason`, for an unknown result or an empty
// time, label or kind.
bool CheckReportRecord(const ReportRecord& record, std::string& reason);

}  // namespace intercom::cli
