// The report readers (CSV, JSON Lines, JUnit XML and the XML reader under it)
// on any bytes, each input read in all three formats: no crash, and a
// refusal's reason is one non-empty line of printable UTF-8. A report that
// is accepted, written back as apply writes it, reads back the same, but for
// what the writers document they change: seconds kept to milliseconds, a
// line break in the CSV plan file name as a space, and in JUnit text XML
// cannot hold as U+FFFD. In CSV and JSON Lines the whole part of the text
// (without a last line cut short) reads the same as the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/report_formats.h"
#include "cli/report_junit.h"
#include "device/setting_text.h"

namespace {

using intercom::cli::ReportContents;
using intercom::cli::ReportFormat;
using intercom::cli::ReportRecord;

constexpr size_t kMaxReason = 600;

[[noreturn]] void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", what, text.c_str());
  std::abort();
}

void CheckReason(const std::string& reason) {
  if (reason.empty() || reason.size() > kMaxReason) Fail("reason length", reason);
  for (const char c : reason) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) Fail("control character", reason);
  }
  if (intercom::FindBadByte(reason)) Fail("not UTF-8", reason);
}

std::string Written(ReportFormat format, const ReportContents& contents) {
  if (format == ReportFormat::Junit) {
    return intercom::cli::JunitDocument(contents.header, contents.records);
  }
  std::string text = intercom::cli::ReportStartText(format, contents.header);
  for (const ReportRecord& record : contents.records) {
    text += intercom::cli::ReportLineText(format, record) + "\n";
  }
  return text;
}

// Bytes that are not UTF-8, NUL and the C0 controls but tab, LF and CR as
// U+FFFD, as the JUnit writer has it.
std::string XmlText(std::string_view text) {
  std::string out;
  while (true) {
    const auto bad = intercom::FindBadByte(text);
    for (const char c : text.substr(0, bad ? bad->offset : text.size())) {
      const bool kept =
          static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r';
      out += kept ? std::string(1, c) : "\xEF\xBF\xBD";
    }
    if (!bad) return out;
    out += "\xEF\xBF\xBD";
    text.remove_prefix(bad->offset + 1);
  }
}

// What `contents` reads back as once written in `format`.
ReportContents Expected(ReportFormat format, ReportContents contents) {
  if (format == ReportFormat::Csv) {
    for (char& c : contents.header.planFile) {
      if (c == '\r') c = ' ';
    }
  }
  for (ReportRecord& record : contents.records) {
    const std::string seconds = intercom::cli::ReportSecondsText(record.seconds);
    if (!intercom::cli::ParseReportSeconds(seconds, record.seconds)) Fail("seconds", seconds);
    if (format != ReportFormat::Junit) continue;
    for (std::string* text : {&record.time, &record.label, &record.kind, &record.port,
                              &record.portId, &record.result, &record.details, &record.backup}) {
      *text = XmlText(*text);
    }
  }
  if (format == ReportFormat::Junit) contents.header.planFile = XmlText(contents.header.planFile);
  return contents;
}

bool Same(const ReportContents& a, const ReportContents& b) {
  return a.header == b.header && a.records == b.records;
}

void Check(ReportFormat format, std::string_view text) {
  std::string reason;
  size_t whole = 0;
  const auto contents = intercom::cli::ParseReport(format, text, reason, &whole);
  if (!contents) {
    CheckReason(reason);
    return;
  }
  if (whole > text.size() || (format == ReportFormat::Junit && whole != text.size())) {
    Fail("whole length", std::to_string(whole));
  }
  if (format != ReportFormat::Junit) {
    const auto part = intercom::cli::ParseReport(format, text.substr(0, whole), reason);
    if (!part || !Same(*part, *contents)) Fail("the whole part reads otherwise", reason);
  }
  const std::string written = Written(format, *contents);
  size_t writtenWhole = 0;
  const auto back = intercom::cli::ParseReport(format, written, reason, &writtenWhole);
  if (!back) Fail(reason.c_str(), written);
  if (writtenWhole != written.size()) Fail("written text cut short", written);
  if (!Same(*back, Expected(format, *contents))) Fail("round trip", written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const ReportFormat format : {ReportFormat::Csv, ReportFormat::Jsonl, ReportFormat::Junit}) {
    Check(format, text);
  }
  return 0;
}
