// Plans: a CSV file with one row per device. The header names the columns:
// "label" and "kind" (both required) and any setting names; an empty cell
// leaves that setting as the device has it. Blank lines and lines starting
// with '#' are skipped; fields may be quoted as usual in CSV.
//
//   label,kind,key1,studio,address,input1
//   desk-1,subscriber,9,1,,
//   stage,splitter,,,12,5
#pragma once

#include <string>
#include <vector>

#include "protocol/device_settings.h"

namespace intercom::cli {

struct PlanRow {
  std::string label;
  int line = 0;  // in the file, from 1
  DeviceSettings settings;
};

// Throws InputError, prefixed "<where>:<line>: ", for: no header, a missing
// label or kind column, an unknown or repeated column, a row with another
// number of cells than the header, a cell holding a NUL byte or bytes that are
// not UTF-8 (named by its column), an empty or repeated label, an unknown
// kind, a value for a setting the row's kind does not have, or a value that
// is not a whole number within 32 bits. The message is one line; it shows at
// most kShownCharacters of any text from the file. Ranges are not checked here.
std::vector<PlanRow> ParsePlan(const Catalogue& catalogue, const std::string& text,
                               const std::string& where);

// The SHA-256 (hex) of the rows' content: for each row in order its label,
// its kind's name and its settings as name=value, sorted by name. Comments,
// blank lines, quoting, spacing, column order and how a value is spelt
// ("true", "1") leave it as it is; any other change to a row changes it.
std::string PlanHash(const Catalogue& catalogue, const std::vector<PlanRow>& rows);

// One CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);

}  // namespace intercom::cli
