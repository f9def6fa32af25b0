#include "cli/plan.h"

#include <algorithm>
#include <set>

#include "cli/sha256.h"
#include "device/input_error.h"
#include "device/setting_text.h"

namespace intercom::cli {
namespace {

struct Record {
  int line;
  std::vector<std::string> cells;
};

// Splits CSV text into records; a quoted field may hold commas, quotes ("")
// and line breaks. CR LF and LF both end a record.
std::vector<Record> SplitRecords(const std::string& text, const std::string& where) {
  std::vector<Record> records;
  size_t i = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  int line = 1;
  while (i < text.size()) {
    Record record{line, {}};
    std::string cell;
    bool quoted = false;
    bool end = false;
    while (!end) {
      if (i >= text.size()) {
        if (quoted)
          throw InputError(where + ":" + std::to_string(record.line) + ": unclosed quote");
        end = true;
        break;
      }
      const char c = text[i++];
      if (quoted) {
        if (c == '"' && i < text.size() && text[i] == '"') {
          cell += '"';
          ++i;
        } else if (c == '"') {
          quoted = false;
        } else {
          if (c == '\n') ++line;
          cell += c;
        }
      } else if (c == '"' && cell.empty()) {
        quoted = true;
      } else if (c == ',') {
        record.cells.push_back(cell);
        cell.clear();
      } else if (c == '\n') {
        ++line;
        end = true;
      } else if (c != '\r') {
        cell += c;
      }
    }
    record.cells.push_back(cell);
    const bool blank = record.cells.size() == 1 && record.cells[0].empty();
    const bool comment = !record.cells[0].empty() && record.cells[0][0] == '#';
    if (!blank && !comment) records.push_back(std::move(record));
  }
  return records;
}

// A NUL or a byte that is not UTF-8 would reach the report and the terminal.
void CheckCell(const std::string& cell, const std::string& place) {
  if (const auto bad = FindBadByte(cell)) {
    throw InputError(place + "byte " + std::to_string(bad->offset + 1) + " of '" + ShownText(cell) +
                     "' is " + bad->what);
  }
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<PlanRow> ParsePlan(const Catalogue& catalogue, const std::string& text,
                               const std::string& where) {
  const std::vector<Record> records = SplitRecords(text, where);
  if (records.empty()) throw InputError(where + ": no header line");
  const Record& header = records.front();
  const auto at = [&where](int line) { return where + ":" + std::to_string(line) + ": "; };

  std::vector<std::string> columns;
  int labelColumn = -1;
  int kindColumn = -1;
  for (const std::string& raw : header.cells) {
    CheckCell(raw, at(header.line) + "column " + std::to_string(columns.size() + 1) + ": ");
    const std::string name = Trimmed(raw);
    for (const std::string& seen : columns) {
      if (seen == name) {
        throw InputError(at(header.line) + "column '" + ShownText(name) + "' appears twice");
      }
    }
    if (name == "label") {
      labelColumn = static_cast<int>(columns.size());
    } else if (name == "kind") {
      kindColumn = static_cast<int>(columns.size());
    } else if (!catalogue.IsSettingName(name)) {
      throw InputError(at(header.line) + "unknown column '" + ShownText(name) + "'");
    }
    columns.push_back(name);
  }
  if (labelColumn < 0) throw InputError(at(header.line) + "the column 'label' is missing");
  if (kindColumn < 0) throw InputError(at(header.line) + "the column 'kind' is missing");

  std::vector<PlanRow> rows;
  std::set<std::string> labels;
  for (size_t r = 1; r < records.size(); ++r) {
    const Record& record = records[r];
    const std::string prefix = at(record.line);
    if (record.cells.size() != columns.size()) {
      throw InputError(prefix + "the row has " + std::to_string(record.cells.size()) +
                       " cells, the header " + std::to_string(columns.size()));
    }
    for (size_t c = 0; c < columns.size(); ++c) {
      CheckCell(record.cells[c], prefix + columns[c] + ": ");
    }
    PlanRow row;
    row.line = record.line;
    row.label = Trimmed(record.cells[static_cast<size_t>(labelColumn)]);
    if (row.label.empty()) throw InputError(prefix + "the label is empty");
    if (!labels.insert(row.label).second) {
      throw InputError(prefix + "the label '" + ShownText(row.label) + "' is used twice");
    }
    const std::string kindText = Trimmed(record.cells[static_cast<size_t>(kindColumn)]);
    const KindEntry* kind = catalogue.FindByName(kindText);
    if (kind == nullptr) {
      throw InputError(prefix + "kind '" + ShownText(kindText) + "' is not one of " +
                       KindNames(catalogue));
    }
    row.settings.kind = kind->kind;
    for (size_t c = 0; c < columns.size(); ++c) {
      if (static_cast<int>(c) == labelColumn || static_cast<int>(c) == kindColumn) continue;
      const std::string cell = Trimmed(record.cells[c]);
      if (cell.empty()) continue;
      const SettingEntry* setting = kind->Find(columns[c]);
      if (setting == nullptr) {
        throw InputError(prefix + "'" + columns[c] + "' is not a setting of a " + kindText + " (" +
                         catalogue.Describe(kind->kind) + ")");
      }
      int32_t value = 0;
      try {
        value = ParseSettingValue(*setting, cell);
      } catch (const InputError& error) {
        throw InputError(prefix + error.what());
      }
      AddSetting(catalogue, row.settings, columns[c], value, prefix);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string PlanHash(const Catalogue& catalogue, const std::vector<PlanRow>& rows) {
  // One CSV line per row: the quoted label keeps rows and fields apart
  // whatever the label holds.
  std::string text;
  for (const PlanRow& row : rows) {
    std::vector<std::string> settings;
    for (const SettingValue& value : row.settings.values) {
      settings.push_back(std::string(value.setting->name) + "=" + std::to_string(value.value));
    }
    std::sort(settings.begin(), settings.end());
    text += CsvField(row.label) + "," + catalogue.KindName(row.settings.kind);
    for (const std::string& setting : settings) text += "," + setting;
    text += "\n";
  }
  return Sha256Hex(text);
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace intercom::cli
