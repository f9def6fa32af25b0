#include "device/write_report.h"

#include <algorithm>
#include <map>

namespace intercom {

std::string ChangeText(const SettingChange& change, const std::string& before) {
  return std::string(change.setting->name) + "=" + std::to_string(change.wanted) + " (" + before +
         " " + (change.now ? std::to_string(*change.now) : "?") + ")";
}

std::vector<ReportLine> WriteReportLines(const WriteReport& report, bool verify) {
  std::vector<ReportLine> lines;
  const auto error = [&lines](const std::string& text) {
    lines.push_back({true, "error: " + text});
  };
  if (report.status == WriteReport::Status::Refused) {
    for (const std::string& problem : report.problems) error(problem);
    error("nothing was written");
    return lines;
  }
  if (report.changes.empty() && report.problems.empty()) {
    lines.push_back({false, "nothing to write: the device holds these settings"});
  }
  const auto in = [](const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  for (const std::string& change : report.changes) {
    const std::string name = change.substr(0, change.find('='));
    const auto notWritten = std::find(report.notWritten.begin(), report.notWritten.end(), name);
    if (in(report.written, name)) {
      lines.push_back({false, "written: " + change});
    } else if (in(report.answered, name)) {
      lines.push_back({false, "answered, not read back: " + change});
    } else if (notWritten != report.notWritten.end()) {
      lines.push_back(
          {true, "not written: " + change + ": " +
                     report.reasons[static_cast<size_t>(notWritten - report.notWritten.begin())]});
    }
  }
  // A lost reply already given as a setting's reason is not said twice.
  for (const std::string& problem : report.problems) {
    if (!in(report.reasons, problem)) error(problem);
  }
  if (report.status == WriteReport::Status::Done && verify && report.answered.empty() &&
      !report.changes.empty()) {
    lines.push_back({false, "read back: every setting matches"});
  }
  return lines;
}

std::vector<SentRequest> RequestsSent(std::vector<ExchangeOutcome> exchanged,
                                      const DeviceSettings& intended) {
  std::vector<SentRequest> sent;
  for (ExchangeOutcome& outcome : exchanged) {
    SentRequest request{std::move(outcome), DeviceSettings{intended.kind, {}}};
    for (const SettingValue& v : intended.values) {
      const SettingEntry& s = *v.setting;
      if (s.write == request.outcome.command &&
          (s.encoding != Encoding::Level || s.channel == request.outcome.request[kPayloadOffset])) {
        request.carried.values.push_back(v);
      }
    }
    sent.push_back(std::move(request));
  }
  return sent;
}

std::string DescribeExchange(const ExchangeOutcome& outcome) {
  if (outcome.writeError != 0) return "write failed: " + std::to_string(outcome.writeError);
  if (outcome.readError != 0) return "read failed: " + std::to_string(outcome.readError);
  switch (outcome.status) {
    case ReplyStatus::Whole:
      return "whole";
    case ReplyStatus::Cut:
      return "cut after " + std::to_string(outcome.received) + " bytes";
    case ReplyStatus::Missing:
      return outcome.received == 0 ? "no answer" : "no answer in step";
    case ReplyStatus::OutOfSync:
      return "out of sync";
  }
  return "?";
}

void JudgeWrite(const std::vector<SettingChange>& changes, const std::vector<SentRequest>& sent,
                bool verify, const DeviceSettings* readBack, WriteReport& report) {
  for (const SettingChange& change : changes) {
    report.changes.push_back(ChangeText(change, "was"));
  }
  enum class Fate { Written, Answered, NotWritten };
  struct Verdict {
    Fate fate = Fate::NotWritten;
    std::string reason = "not sent";
    bool differs = false;
  };
  std::map<std::string, Verdict> verdicts;
  for (const SettingChange& change : changes) verdicts[change.setting->name] = {};
  const auto asked = [&](const SettingEntry& setting) { return verdicts.count(setting.name) != 0; };

  bool anyLost = false;
  bool anyDiffers = false;
  for (const SentRequest& request : sent) {
    Verdict verdict{Fate::Written, "", false};
    if (!request.outcome.Answered()) {
      verdict.fate = Fate::NotWritten;
      verdict.reason = "no whole reply to " + CommandName(request.outcome.command) + " (" +
                       DescribeExchange(request.outcome) + ")";
      report.problems.push_back(verdict.reason);
      anyLost = true;
    } else if (readBack == nullptr) {
      verdict.fate = Fate::Answered;
    } else {
      // Everything the request carried must read back, also what it re-sent
      // unchanged: a device that stored that wrongly holds what nobody asked for.
      for (const SettingValue& v : request.carried.values) {
        const SettingValue* now = readBack->Find(v.setting->name);
        if (now != nullptr && now->value == ReadBackValue(*v.setting, v.value)) continue;
        verdict = {Fate::NotWritten,
                   "the read back of " + CommandName(request.outcome.command) + " differs", true};
        report.problems.push_back(
            std::string(v.setting->name) + ": sent " + std::to_string(v.value) +
            (asked(*v.setting) ? "" : " (re-sent unchanged)") + ", the device holds " +
            (now == nullptr ? std::string("nothing read") : std::to_string(now->value)));
        anyDiffers = true;
      }
    }
    for (const SettingValue& v : request.carried.values) {
      const auto changedOne = verdicts.find(v.setting->name);
      if (changedOne != verdicts.end()) changedOne->second = verdict;
    }
  }

  for (const SettingChange& change : changes) {
    const char* name = change.setting->name;
    const Verdict& verdict = verdicts[name];
    switch (verdict.fate) {
      case Fate::Written:
        report.written.push_back(name);
        break;
      case Fate::Answered:
        report.answered.push_back(name);
        break;
      case Fate::NotWritten:
        report.notWritten.push_back(name);
        report.reasons.push_back(verdict.reason);
        anyLost = anyLost || !verdict.differs;
        break;
    }
  }
  if (report.status == WriteReport::Status::Interrupted) return;
  if (anyLost || (verify && readBack == nullptr)) {
    report.status = WriteReport::Status::NoAnswer;
  } else if (anyDiffers) {
    report.status = WriteReport::Status::Differs;
  }
}

}  // namespace intercom
