#include "cli/report_junit.h"

#include <map>

#include "cli/report_formats.h"
#include "cli/xml_reader.h"
#include "device/setting_text.h"

namespace intercom::cli {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
// An attribute value. Tab and line breaks go as references: a reader turns
// literal ones into spaces.
std::string Escaped(std::string_view text) {
  std::string out;
  while (true) {
    const std::optional<BadByte> bad = FindBadByte(text);
    for (char c : text.substr(0, bad ? bad->offset : text.size())) {
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\t':
          out += "&#9;";
          break;
        case '\n':
          out += "&#10;";
          break;
        case '\r':
          out += "&#13;";
          break;
        default:
          if (static_cast<unsigned char>(c) < 0x20) {
            out += kReplacement;
          } else {
            out += c;
          }
      }
    }
    if (!bad) return out;
    out += kReplacement;
    text.remove_prefix(bad->offset + 1);
  }
}

std::string Attribute(const char* name, std::string_view value) {
  return std::string(" ") + name + "=\"" + Escaped(value) + "\"";
}

std::string Property(const char* indent, const char* name, std::string_view value) {
  return std::string(indent) + "<property" + Attribute("name", name) + Attribute("value", value) +
         "/>\n";
}

const XmlElement* Child(const XmlElement& parent, std::string_view name) {
  for (const XmlElement& child : parent.children) {
    if (child.name == name) return &child;
  }
  return nullptr;
}

// The name="..." value="..." pairs of an element's <properties>.
std::map<std::string, std::string> Properties(const XmlElement& element) {
  std::map<std::string, std::string> properties;
  if (const XmlElement* list = Child(element, "properties")) {
    for (const XmlElement& property : list->children) {
      const std::string* name = property.Find("name");
      const std::string* value = property.Find("value");
      if (property.name == "property" && name != nullptr && value != nullptr) {
        properties.emplace(*name, *value);
      }
    }
  }
  return properties;
}

std::optional<ReportRecord> ReadCase(const XmlElement& testCase, std::string& reason) {
  ReportRecord record;
  const std::string* kind = testCase.Find("classname");
  const std::string* label = testCase.Find("name");
  const std::string* seconds = testCase.Find("time");
  std::map<std::string, std::string> properties = Properties(testCase);
  for (const char* name : {"time", "port", "port_id", "result", "details", "backup"}) {
    if (properties.count(name) == 0) {
      reason = std::string("it has no property ") + name;
      return std::nullopt;
    }
  }
  if (kind == nullptr || label == nullptr || seconds == nullptr ||
      !ParseReportSeconds(*seconds, record.seconds)) {
    reason = "its classname, name or time is missing or not as written";
    return std::nullopt;
  }
  record.kind = *kind;
  record.label = *label;
  record.time = properties["time"];
  record.port = properties["port"];
  record.portId = properties["port_id"];
  record.result = properties["result"];
  record.details = properties["details"];
  record.backup = properties["backup"];
  if (!CheckReportRecord(record, reason)) return std::nullopt;
  return record;
}

}  // namespace

std::string JunitDocument(const ReportHeader& header, const std::vector<ReportRecord>& records) {
  size_t failures = 0;
  size_t skipped = 0;
  double seconds = 0;
  std::string cases;
  for (const ReportRecord& record : records) {
    seconds += record.seconds;
    cases += "    <testcase" + Attribute("classname", record.kind) +
             Attribute("name", record.label) +
             Attribute("time", ReportSecondsText(record.seconds)) + ">\n      <properties>\n";
    cases += Property("        ", "time", record.time);
    cases += Property("        ", "port", record.port);
    cases += Property("        ", "port_id", record.portId);
    cases += Property("        ", "result", record.result);
    cases += Property("        ", "details", record.details);
    cases += Property("        ", "backup", record.backup);
    cases += "      </properties>\n";
    const std::string message =
        record.details.empty() ? record.result : record.result + ": " + record.details;
    if (IsFailure(record.result)) {
      ++failures;
      cases += "      <failure" + Attribute("message", message) + Attribute("type", record.result) +
               "/>\n";
    } else if (record.result == kResultStopped) {
      ++skipped;
      cases += "      <skipped" + Attribute("message", message) + "/>\n";
    }
    cases += "    </testcase>\n";
  }
  const std::string counts =
      Attribute("tests", std::to_string(records.size())) +
      Attribute("failures", std::to_string(failures)) + Attribute("errors", "0") +
      Attribute("skipped", std::to_string(skipped)) + Attribute("time", ReportSecondsText(seconds));
  const std::string timestamp =
      records.empty() ? std::string() : Attribute("timestamp", records.front().time.substr(0, 19));
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" +
         Attribute("name", kJunitReportName) + counts + ">\n  <testsuite" +
         Attribute("name", header.planFile) + counts + timestamp + ">\n    <properties>\n" +
         Property("      ", "plan_sha256", header.planHash) + "    </properties>\n" + cases +
         "  </testsuite>\n</testsuites>\n";
}

std::optional<ReportContents> ParseJunit(std::string_view text, std::string& reason) {
  const std::string notReport = "it is not a JUnit report of " + std::string(kJunitReportName);
  std::string xmlError;
  const std::optional<XmlElement> root = ReadXml(text, xmlError);
  if (!root) {
    reason = notReport + ": " + xmlError;
    return std::nullopt;
  }
  const std::string* name = root->Find("name");
  const XmlElement* suite = Child(*root, "testsuite");
  if (root->name != "testsuites" || name == nullptr || *name != kJunitReportName ||
      suite == nullptr || suite->Find("name") == nullptr) {
    reason = notReport;
    return std::nullopt;
  }
  ReportContents contents;
  contents.header.planFile = *suite->Find("name");
  contents.header.planHash = Properties(*suite)["plan_sha256"];
  if (!IsPlanHash(contents.header.planHash)) {
    reason = notReport + ": its plan_sha256 property is missing or not a SHA-256";
    return std::nullopt;
  }
  int number = 0;
  for (const XmlElement& testCase : suite->children) {
    if (testCase.name != "testcase") continue;
    ++number;
    std::optional<ReportRecord> record = ReadCase(testCase, reason);
    if (!record) {
      reason = "test case " + std::to_string(number) + ": " + reason;
      return std::nullopt;
    }
    contents.records.push_back(std::move(*record));
  }
  return contents;
}

}  // namespace intercom::cli
