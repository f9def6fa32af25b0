// Reports as JUnit XML, for CI servers: one test suite named after the plan
// file, one test case per record (class name: the kind, name: the label).
// FAILED and UNVERIFIED records carry a <failure>, STOPPED ones <skipped>.
// Each test case's properties hold the whole record, so that the file reads
// back exactly: time, port, port_id, result, details and backup.
//
// Text that XML 1.0 cannot hold, bytes that are not UTF-8 and C0 controls
// other than tab, LF and CR, is written as U+FFFD.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/report_record.h"

namespace intercom::cli {

// The name of the <testsuites> element of a report.
inline constexpr std::string_view kJunitReportName = "intercom-cli apply";

// The whole document. The suite's timestamp is the first record's time,
// without its milliseconds and offset as JUnit has it; none without records.
std::string JunitDocument(const ReportHeader& header, const std::vector<ReportRecord>& records);

// Reads a JunitDocument back; nullopt with a one-line `reason` for anything else.
std::optional<ReportContents> ParseJunit(std::string_view text, std::string& reason);

}  // namespace intercom::cli
