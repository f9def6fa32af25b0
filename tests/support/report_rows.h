// The rows of a CSV report as a test compares them: label,kind,port,result,
// details, without the time, the seconds and the backup of each.
#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/plan.h"

namespace intercom::testing {

// The fields of one CSV line quoted as usual (a quote only around a field,
// doubled inside); nullopt for a line not so quoted.
inline std::optional<std::vector<std::string>> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  size_t i = 0;
  while (true) {
    std::string& field = fields.back();
    if (i < line.size() && line[i] == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) return std::nullopt;
        if (line[i] == '"' && (i + 1 >= line.size() || line[i + 1] != '"')) break;
        if (line[i] == '"') ++i;
        field += line[i];
      }
      ++i;
    } else {
      for (; i < line.size() && line[i] != ','; ++i) {
        if (line[i] == '"') return std::nullopt;
        field += line[i];
      }
    }
    if (i == line.size()) return fields;
    if (line[i] != ',') return std::nullopt;
    ++i;
    fields.emplace_back();
  }
}

// The report lines of `text` (CSV, as on stdout or in a report file).
inline std::vector<std::string> ReportRows(const std::string& text) {
  std::vector<std::string> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto fields = CsvFields(line);
    if (line.starts_with("#") || line.starts_with("time,") || !fields || fields->size() != 9) {
      continue;
    }
    using cli::CsvField;
    rows.push_back(CsvField(fields->at(1)) + "," + CsvField(fields->at(2)) + "," +
                   CsvField(fields->at(3)) + "," + fields->at(5) + "," + CsvField(fields->at(7)));
  }
  return rows;
}

// ReportRows, a line each.
inline std::string ReportRowsText(const std::string& text) {
  std::string lines;
  for (const std::string& row : ReportRows(text)) lines += row + "\n";
  return lines;
}

}  // namespace intercom::testing
