// The verdicts of a write, the same for every front end: the settings the
// device was seen to hold afterwards, those whose request was only answered,
// and those not written with the reason; and a report as lines.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocol/device_settings.h"
#include "protocol/exchange.h"

namespace intercom {

struct WriteReport {
  enum class Status {
    Done,         // every setting that differed is written; or nothing to write
    Refused,      // a value was refused; nothing was sent
    NoAnswer,     // a request or the read back got no whole reply: not all written
    Differs,      // the read back differs from what a request carried: not all written
    Interrupted,  // stopped between two exchanges
  };
  Status status = Status::Done;
  std::vector<std::string> changes;   // "key3=7 (was 3)", the settings that differ
  std::vector<std::string> problems;  // refusals, lost replies, differences: one line each
  // Each setting of `changes` is in exactly one of the three lists below.
  // Settings whose request came back whole and whose read back of everything
  // that request carried matches.
  std::vector<std::string> written;
  // Settings whose request came back whole but that were not seen to read
  // back: stopped before or during the read back, a read back that was not
  // whole, or no read back asked.
  std::vector<std::string> answered;
  std::vector<std::string> notWritten;  // the other settings of `changes`
  std::vector<std::string> reasons;     // why, one for each of notWritten
};

// A setting whose wanted value the device does not hold.
struct SettingChange {
  const SettingEntry* setting;
  std::optional<int32_t> now;  // none when the device's value was not read
  int32_t wanted;
};

// "key3=7 (was 3)" with `before` "was": the setting, its wanted value and
// what the device holds ("?" when not read), as numbers (studio 1 or 0).
std::string ChangeText(const SettingChange& change, const std::string& before);

// A report as lines, in order: `error` lines belong on an error stream (the
// command line's stderr), the rest on the results. Each setting that differed
// has one line: "written: " only for what the device was seen to hold
// afterwards, "answered, not read back: " for what was answered but not seen,
// "not written: " with the reason otherwise. `verify`: the write read
// everything back. An interrupted write is its caller's to describe.
struct ReportLine {
  bool error;
  std::string text;
};
std::vector<ReportLine> WriteReportLines(const WriteReport& report, bool verify);

// One request of a write and the values it carried.
struct SentRequest {
  ExchangeOutcome outcome;
  DeviceSettings carried;
};

// Each exchange of a write with the values of `intended` its request carried
// (a level's only on its own channel).
std::vector<SentRequest> RequestsSent(std::vector<ExchangeOutcome> exchanged,
                                      const DeviceSettings& intended);

// What became of an exchange, in a few words: "whole", "cut after 7 bytes",
// "no answer", "write failed: 5".
std::string DescribeExchange(const ExchangeOutcome& outcome);

// Judges the requests `sent` for `changes` into `report`: its changes, the
// three lists and the problems. A setting is written when its request came
// back whole and `readBack` (what the device held when read back whole after
// the write; null when it was not) holds everything that request carried,
// answered when the request came back whole and there is no read back, not
// written otherwise. `verify`: a read back was asked, so its absence fails the
// write. The status is set unless it is already Interrupted.
void JudgeWrite(const std::vector<SettingChange>& changes, const std::vector<SentRequest>& sent,
                bool verify, const DeviceSettings* readBack, WriteReport& report);

}  // namespace intercom
