#include "cli/report_formats.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/plan.h"
#include "cli/report_junit.h"
#include "device/setting_text.h"

namespace intercom::cli {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kPlanFileMark = "; plan file ";

// Milliseconds, as every format keeps them; a value that is not a number is 0.
// From 2^52 on a double holds whole numbers only, and scaling could overflow.
double Milliseconds(double seconds) {
  if (!std::isfinite(seconds)) return 0;
  return std::abs(seconds) >= 0x1p52 ? seconds : std::round(seconds * 1000) / 1000;
}

std::string Line(int line) {
  return "line " + std::to_string(line) + ": ";
}

struct CsvRecord {
  int line;
  std::vector<std::string> cells;
};

// The records ended by a line break from `at` on, `at` moved past the last of
// them. In a file with CR LF line ends, a CR before a quoted LF is one too.
std::vector<CsvRecord> CsvRecords(std::string_view text, size_t& at, int line, bool crLf) {
  std::vector<CsvRecord> records;
  CsvRecord record{line, {}};
  std::string cell;
  bool quoted = false;
  for (size_t i = at; i < text.size(); ++i) {
    const char c = text[i];
    const bool lineEnd = c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else if (!(crLf && c == '\r' && lineEnd)) {
        if (c == '\n') ++line;
        cell += c;
      }
    } else if (c == '"' && cell.empty()) {
      quoted = true;
    } else if (c == ',') {
      record.cells.push_back(std::move(cell));
      cell.clear();
    } else if (c == '\n') {
      record.cells.push_back(std::move(cell));
      cell.clear();
      records.push_back(std::move(record));
      record = {++line, {}};
      at = i + 1;
    } else if (!lineEnd) {
      cell += c;
    }
  }
  return records;
}

std::optional<ReportContents> ParseCsv(std::string_view text, std::string& reason,
                                       size_t& wholeLength) {
  const size_t firstEnd = text.find('\n');
  std::string_view first = text.substr(0, firstEnd);
  const bool crLf = !first.empty() && first.back() == '\r';
  if (crLf) first.remove_suffix(1);
  std::string_view hash;
  bool isStart = firstEnd != std::string_view::npos && first.rfind(kCsvReportStart, 0) == 0;
  if (isStart) {
    first.remove_prefix(kCsvReportStart.size());
    hash = first.substr(0, 64);
    first.remove_prefix(hash.size());
    isStart = IsPlanHash(hash) && first.rfind(kPlanFileMark, 0) == 0;
  }
  if (!isStart) {
    reason = "its first line is not \"" + std::string(kCsvReportStart) +
             "<64 hex digits>; plan file <name>\"";
    return std::nullopt;
  }
  ReportContents contents;
  contents.header.planHash = hash;
  contents.header.planFile = first.substr(kPlanFileMark.size());

  size_t at = firstEnd + 1;
  const std::vector<CsvRecord> records = CsvRecords(text, at, 2, crLf);
  std::string columns;
  if (!records.empty()) {
    for (const std::string& cell : records.front().cells)
      columns += (columns.empty() ? "" : ",") + cell;
  }
  if (records.empty() || columns != kCsvReportColumns) {
    reason = "its second line is not " + std::string(kCsvReportColumns);
    return std::nullopt;
  }
  for (size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& cells = records[r];
    if (cells.cells.size() != 9) {
      reason = Line(cells.line) + "has " + std::to_string(cells.cells.size()) + " fields, not 9";
      return std::nullopt;
    }
    const auto& c = cells.cells;
    ReportRecord record{c[0], c[1], c[2], c[3], c[4], c[5], 0, c[7], c[8]};
    if (!ParseReportSeconds(c[6], record.seconds)) {
      reason = Line(cells.line) + "the seconds '" + ShownText(c[6]) + "' are not a number";
      return std::nullopt;
    }
    if (!CheckReportRecord(record, reason)) {
      reason = Line(cells.line) + reason;
      return std::nullopt;
    }
    contents.records.push_back(std::move(record));
  }
  wholeLength = at;
  return contents;
}

// The string at `key` of `object`; false when it is missing or not a string.
bool StringAt(const Json& object, const char* key, std::string& value) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_string()) return false;
  value = found->get<std::string>();
  return true;
}

std::optional<ReportContents> ParseJsonLines(std::string_view text, std::string& reason,
                                             size_t& wholeLength) {
  ReportContents contents;
  bool started = false;
  int line = 1;
  size_t at = 0;
  for (size_t end = text.find('\n'); end != std::string_view::npos;
       at = end + 1, end = text.find('\n', at), ++line) {
    std::string_view lineText = text.substr(at, end - at);
    if (!lineText.empty() && lineText.back() == '\r') lineText.remove_suffix(1);
    const Json value = Json::parse(lineText.begin(), lineText.end(), nullptr, false);
    if (line == 1) {
      std::string name;
      if (value.is_discarded() || !value.is_object() || !StringAt(value, "report", name) ||
          name != kJsonReportName || !StringAt(value, "plan", contents.header.planFile) ||
          !StringAt(value, "plan_sha256", contents.header.planHash) ||
          !IsPlanHash(contents.header.planHash)) {
        break;
      }
      started = true;
      continue;
    }
    ReportRecord record;
    const auto seconds = value.is_object() ? value.find("seconds") : value.end();
    if (value.is_discarded() || !value.is_object() || seconds == value.end() ||
        !seconds->is_number() || !StringAt(value, "time", record.time) ||
        !StringAt(value, "label", record.label) || !StringAt(value, "kind", record.kind) ||
        !StringAt(value, "port", record.port) || !StringAt(value, "port_id", record.portId) ||
        !StringAt(value, "result", record.result) || !StringAt(value, "details", record.details) ||
        !StringAt(value, "backup", record.backup)) {
      reason = Line(line) + "is not a report record";
      return std::nullopt;
    }
    record.seconds = seconds->get<double>();
    if (!std::isfinite(record.seconds)) {
      reason = Line(line) + "its seconds are not a finite number";
      return std::nullopt;
    }
    if (!CheckReportRecord(record, reason)) {
      reason = Line(line) + reason;
      return std::nullopt;
    }
    contents.records.push_back(std::move(record));
  }
  if (!started) {
    reason = "its first line is not {\"report\":\"" + std::string(kJsonReportName) +
             "\",\"plan\":...,\"plan_sha256\":...}";
    return std::nullopt;
  }
  wholeLength = at;
  return contents;
}

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

std::string ReportSecondsText(double seconds) {
  // Room for the largest double written out in full.
  char text[std::numeric_limits<double>::max_exponent10 + 8];
  const auto end =
      std::to_chars(text, text + sizeof text, Milliseconds(seconds), std::chars_format::fixed, 3);
  return std::string(text, end.ptr);
}

bool ParseReportSeconds(std::string_view text, double& seconds) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, seconds);
  return error == std::errc() && stop == end && std::isfinite(seconds);
}

bool IsPlanHash(std::string_view text) {
  return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

bool CheckReportRecord(const ReportRecord& record, std::string& reason) {
  if (!IsReportResult(record.result)) {
    reason = "the result '" + ShownText(record.result) + "' is not one of a report's";
    return false;
  }
  if (record.time.empty() || record.label.empty() || record.kind.empty()) {
    reason = "the time, label or kind is empty";
    return false;
  }
  return true;
}

std::string ReportStartText(ReportFormat format, const ReportHeader& header) {
  if (format == ReportFormat::Jsonl) {
    const Json start = {
        {"report", kJsonReportName}, {"plan", header.planFile}, {"plan_sha256", header.planHash}};
    return start.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
  }
  return std::string(kCsvReportStart) + header.planHash + std::string(kPlanFileMark) +
         OneLine(header.planFile) + "\n" + std::string(kCsvReportColumns) + "\n";
}

std::string ReportLineText(ReportFormat format, const ReportRecord& record) {
  if (format == ReportFormat::Jsonl) {
    const Json line = {{"time", record.time},
                       {"label", record.label},
                       {"kind", record.kind},
                       {"port", record.port},
                       {"port_id", record.portId},
                       {"result", record.result},
                       {"seconds", Milliseconds(record.seconds)},
                       {"details", record.details},
                       {"backup", record.backup}};
    return line.dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  std::string line = CsvField(record.time);
  for (const std::string& field :
       {record.label, record.kind, record.port, record.portId, record.result,
        ReportSecondsText(record.seconds), record.details, record.backup}) {
    line += "," + CsvField(field);
  }
  return line;
}

std::optional<ReportContents> ParseReport(ReportFormat format, std::string_view text,
                                          std::string& reason, size_t* wholeLength) {
  size_t whole = text.size();
  std::optional<ReportContents> contents;
  switch (format) {
    case ReportFormat::Csv:
      contents = ParseCsv(text, reason, whole);
      break;
    case ReportFormat::Jsonl:
      contents = ParseJsonLines(text, reason, whole);
      break;
    case ReportFormat::Junit:
      contents = ParseJunit(text, reason);
      break;
  }
  if (contents && wholeLength != nullptr) *wholeLength = whole;
  return contents;
}

}  // namespace intercom::cli
