#include "cli/report_record.h"

#include <algorithm>
#include <cctype>

namespace intercom::cli {
namespace {

bool EndsWith(const std::string& text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  return std::equal(
      ending.begin(), ending.end(), text.end() - static_cast<long>(ending.size()),
      [](char a, char b) { return std::tolower(static_cast<unsigned char>(b)) == a; });
}

}  // namespace

std::optional<ReportFormat> ReportFormatNamed(std::string_view name) {
  for (ReportFormat format : {ReportFormat::Csv, ReportFormat::Jsonl, ReportFormat::Junit}) {
    if (name == ReportFormatName(format)) return format;
  }
  return std::nullopt;
}

const char* ReportFormatName(ReportFormat format) {
  switch (format) {
    case ReportFormat::Csv:
      return "csv";
    case ReportFormat::Jsonl:
      return "jsonl";
    case ReportFormat::Junit:
      return "junit";
  }
  return "csv";
}

ReportFormat ReportFormatOfPath(const std::string& path) {
  if (EndsWith(path, ".jsonl") || EndsWith(path, ".ndjson")) return ReportFormat::Jsonl;
  if (EndsWith(path, ".xml")) return ReportFormat::Junit;
  return ReportFormat::Csv;
}

bool IsReportResult(std::string_view result) {
  for (std::string_view known : {kResultOk, kResultUnverified, kResultFailed, kResultStopped,
                                 kResultInSync, kResultWouldChange}) {
    if (result == known) return true;
  }
  return false;
}

bool IsFailure(std::string_view result) {
  return result == kResultUnverified || result == kResultFailed;
}

}  // namespace intercom::cli
