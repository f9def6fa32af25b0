#include "device/device_conversation.h"

#include <algorithm>
#include <map>

#include "device/device_messages.h"
#include "device/message_lines.h"
#include "device/port_link.h"

namespace intercom {
namespace {

std::string OutOfRange(const SettingEntry& setting, int32_t value) {
  return std::string(setting.name) + ": " + std::to_string(value) + " is out of range " +
         std::to_string(setting.low) + ".." + std::to_string(setting.high);
}

// The settings the settings write carries (addresses and the Tally input).
bool SentBySettingsWrite(const KindEntry& kind, const SettingEntry& setting) {
  return std::any_of(kind.writeSteps.begin(), kind.writeSteps.end(),
                     [&](const SequenceStep& step) { return step.command == setting.write; });
}

// What became of an exchange, in a few words.
std::string Describe(const ExchangeOutcome& outcome) {
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

}  // namespace

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

DeviceConversation::DeviceConversation(SerialPort& port, Pause pause, std::ostream& messages,
                                       std::ostream* trace, StopQuery stopRequested,
                                       const Catalogue& catalogue)
    : messages_(messages),
      port_(port, trace, std::move(stopRequested)),
      pause_(std::move(pause)),
      catalogue_(catalogue),
      state_(ownState_) {
  SetLevelConstants(state_);
}

DeviceConversation::DeviceConversation(SerialPort& port, Pause pause, std::ostream& messages,
                                       SessionState& state, const Catalogue& catalogue)
    : messages_(messages),
      port_(port, nullptr, nullptr),
      pause_(std::move(pause)),
      catalogue_(catalogue),
      state_(state) {
  SetLevelConstants(state_);
}

void DeviceConversation::Follow(ExchangeObserver& observer, DeviceEvents& events) {
  followerObserver_ = &observer;
  followerEvents_ = &events;
}

void DeviceConversation::RequestSent(const RequestFrame& request) {
  if (followerObserver_ != nullptr) followerObserver_->RequestSent(request);
}

void DeviceConversation::ReplyRead(const ReplyFrame& reply) {
  if (followerObserver_ != nullptr) followerObserver_->ReplyRead(reply);
}

void DeviceConversation::Say(const std::string& line) {
  if (!quiet_) messages_ << line << std::endl;
}

void DeviceConversation::Notice(const std::string& text) {
  Say(MessageLine(LineKind::Notice, text));
  // The window's words give only a code; a script's reader also gets the reason.
  if (text.rfind("Can't ", 0) == 0) Say("reason: " + port_.LastErrorText());
  if (followerObserver_ != nullptr) followerObserver_->Notice(text);
}

void DeviceConversation::Replied(const ExchangeOutcome& outcome) {
  if (DeviceEvents* events = Following()) events->Replied(outcome);
  // The window confirms any reply in step; a line on stderr is a promise, so
  // a confirmation cut short is not passed on.
  const char* confirmation = WriteConfirmation(outcome.command);
  if (confirmation != nullptr && outcome.Answered()) {
    Say(MessageLine(LineKind::Information, confirmation));
  }
}

void DeviceConversation::Exchanged(const ExchangeOutcome& outcome) {
  if (exchanged_ != nullptr) exchanged_->push_back(outcome);
  if (DeviceEvents* events = Following()) events->Exchanged(outcome);
}

void DeviceConversation::DiscoveryStarted() {
  if (DeviceEvents* events = Following()) events->DiscoveryStarted();
}

void DeviceConversation::Probed(size_t index) {
  if (DeviceEvents* events = Following()) events->Probed(index);
}

void DeviceConversation::Found(const KindEntry& kind) {
  if (DeviceEvents* events = Following()) events->Found(kind);
}

void DeviceConversation::ReadsDone(const KindEntry& kind) {
  if (DeviceEvents* events = Following()) events->ReadsDone(kind);
}

void DeviceConversation::NoneFound() {
  Say(MessageLine(LineKind::Information, kNoDevice));
  if (DeviceEvents* events = Following()) events->NoneFound();
}

bool DeviceConversation::Connect(const std::string& portName) {
  state_.PortName = portName;
  port_.Mark();
  // The window goes on to ask a port that did not open for its state; here
  // that would only add a second, misleading reason after the real one.
  if (!OpenPort(Line())) return false;
  pause_(100);
  return ConfigurePort(Line()) && port_.IsOpen();
}

void DeviceConversation::Disconnect() {
  ClosePort(Line());
}

DeviceKind DeviceConversation::Discover() {
  port_.Mark();
  readsAnswered_ = false;
  unread_.clear();
  discovering_ = true;
  Discovery discovery;
  try {
    discovery = intercom::Discover(Line(), *this);
  } catch (...) {
    discovering_ = false;
    throw;
  }
  discovering_ = false;
  current_ = discovery.settings;
  if (discovery.kind == nullptr) return DeviceKind::None;
  for (const ExchangeOutcome& read : discovery.reads) {
    if (read.Answered()) continue;
    std::string names;
    for (const SettingEntry& setting : discovery.kind->settings) {
      if (setting.read == read.command)
        names += (names.empty() ? "" : ", ") + std::string(setting.name);
    }
    unread_ += (unread_.empty() ? "" : "; ") + (names.empty() ? std::string("nothing") : names) +
               " (" + CommandName(read.command) + ": " + Describe(read) + ")";
  }
  readsAnswered_ = unread_.empty();
  return discovery.kind->kind;
}

bool DeviceConversation::Probe() {
  port_.Mark();
  return Test(Line(), *this).Answered() && !port_.Failed();
}

std::vector<SettingChange> DeviceConversation::Changes(const DeviceSettings& wanted) const {
  std::vector<SettingChange> changes;
  for (const SettingValue& v : wanted.values) {
    const SettingValue* now = current_.Find(v.setting->name);
    if (now != nullptr && ReadBackValue(*v.setting, v.value) == now->value) continue;
    changes.push_back(
        {v.setting, now != nullptr ? std::optional(now->value) : std::nullopt, v.value});
  }
  return changes;
}

std::vector<std::string> DeviceConversation::Refusals(const DeviceSettings& wanted) const {
  std::vector<std::string> refusals;
  // A value the device already holds is not written, so it is never refused.
  for (const SettingChange& change : Changes(wanted)) {
    if (change.wanted < change.setting->low || change.wanted > change.setting->high) {
      refusals.push_back(OutOfRange(*change.setting, change.wanted));
    }
  }
  return refusals;
}

void DeviceConversation::Send(const DeviceSettings& wanted,
                              const std::vector<const SettingValue*>& changed,
                              DeviceSettings& intended) {
  const KindEntry& kind = *catalogue_.Find(wanted.kind);
  const auto any = [&](auto predicate) {
    return std::any_of(changed.begin(), changed.end(),
                       [&](const SettingValue* v) { return predicate(*v->setting); });
  };
  // The settings write sends every field of the kind: what the device holds,
  // with the wanted values in place.
  if (any([&](const SettingEntry& s) { return SentBySettingsWrite(kind, s); })) {
    DeviceSettings fields{kind.kind, {}};
    for (const SettingValue& v : current_.values) {
      if (SentBySettingsWrite(kind, *v.setting)) fields.Set(*v.setting, v.value);
    }
    for (const SettingValue& v : wanted.values) {
      if (SentBySettingsWrite(kind, *v.setting)) fields.Set(*v.setting, v.value);
    }
    for (const SettingValue& v : fields.values) intended.Set(*v.setting, v.value);
    WriteSettings(Line(), fields, *this);
  }
  for (const SettingValue* v : changed) {
    if (v->setting->encoding != Encoding::Studio) continue;
    intended.Set(*v->setting, v->value);
    WriteStudioMode(Line(), v->value != 0, *this);
  }
  for (const SettingValue* v : changed) {
    if (v->setting->encoding != Encoding::DeviceAddress) continue;
    intended.Set(*v->setting, v->value);
    WriteDeviceAddress(Line(), v->value, *this);
  }
  for (const SettingValue* v : changed) {
    if (v->setting->encoding != Encoding::Level) continue;
    intended.Set(*v->setting, v->value);
    SetLevel(Line(), *v->setting, v->value, *this);
  }
}

void DeviceConversation::Judge(const std::vector<const SettingValue*>& changed,
                               const std::vector<Sent>& sent, bool verify, WriteReport& report) {
  const DeviceKind kind = state_.Device();
  bool readBack = false;
  if (verify) {
    try {
      readBack = Discover() == kind && readsAnswered_;
    } catch (const Interrupted&) {
      report.status = WriteReport::Status::Interrupted;
    }
    if (!readBack && report.status != WriteReport::Status::Interrupted) {
      report.problems.push_back("the " + catalogue_.KindName(kind) +
                                " did not answer the read back whole" +
                                (unread_.empty() ? "" : ": " + unread_));
    }
  }

  enum class Fate { Written, Answered, NotWritten };
  struct Verdict {
    Fate fate = Fate::NotWritten;
    std::string reason = "not sent";
    bool differs = false;
  };
  std::map<std::string, Verdict> verdicts;
  for (const SettingValue* v : changed) verdicts[v->setting->name] = {};
  const auto asked = [&](const SettingEntry& setting) { return verdicts.count(setting.name) != 0; };

  bool anyLost = false;
  bool anyDiffers = false;
  for (const Sent& request : sent) {
    Verdict verdict{Fate::Written, "", false};
    if (!request.outcome.Answered()) {
      verdict.fate = Fate::NotWritten;
      verdict.reason = "no whole reply to " + CommandName(request.outcome.command) + " (" +
                       Describe(request.outcome) + ")";
      report.problems.push_back(verdict.reason);
      anyLost = true;
    } else if (!readBack) {
      verdict.fate = Fate::Answered;
    } else {
      // Everything the request carried must read back, also what it re-sent
      // unchanged: a device that stored that wrongly holds what nobody asked for.
      for (const SettingValue& v : request.carried.values) {
        const SettingValue* now = current_.Find(v.setting->name);
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

  for (const SettingValue* v : changed) {
    const Verdict& verdict = verdicts[v->setting->name];
    switch (verdict.fate) {
      case Fate::Written:
        report.written.push_back(v->setting->name);
        break;
      case Fate::Answered:
        report.answered.push_back(v->setting->name);
        break;
      case Fate::NotWritten:
        report.notWritten.push_back(v->setting->name);
        report.reasons.push_back(verdict.reason);
        anyLost = anyLost || !verdict.differs;
        break;
    }
  }
  if (report.status == WriteReport::Status::Interrupted) return;
  if (anyLost || (verify && !readBack)) {
    report.status = WriteReport::Status::NoAnswer;
  } else if (anyDiffers) {
    report.status = WriteReport::Status::Differs;
  }
}

WriteReport DeviceConversation::Write(const DeviceSettings& wanted, bool verify) {
  WriteReport report;
  if (!readsAnswered_) {
    // Requests built from a read that was not whole would write guesses.
    report.status = WriteReport::Status::NoAnswer;
    report.problems.push_back("the settings were not read whole, so nothing is written" +
                              (unread_.empty() ? std::string() : ": " + unread_));
    return report;
  }
  report.problems = Refusals(wanted);
  if (!report.problems.empty()) {
    report.status = WriteReport::Status::Refused;
    return report;
  }

  std::vector<const SettingValue*> changed;
  for (const SettingChange& change : Changes(wanted)) {
    changed.push_back(wanted.Find(change.setting->name));
    report.changes.push_back(std::string(change.setting->name) + "=" +
                             std::to_string(change.wanted) + " (was " +
                             (change.now ? std::to_string(*change.now) : "?") + ")");
  }
  if (changed.empty()) return report;

  std::vector<ExchangeOutcome> exchanged;
  DeviceSettings intended{wanted.kind, {}};
  exchanged_ = &exchanged;
  port_.Mark();
  try {
    Send(wanted, changed, intended);
  } catch (const Interrupted&) {
    report.status = WriteReport::Status::Interrupted;
  }
  exchanged_ = nullptr;

  // Each request with the values it carried.
  std::vector<Sent> sent;
  for (ExchangeOutcome& outcome : exchanged) {
    Sent request{std::move(outcome), DeviceSettings{wanted.kind, {}}};
    for (const SettingValue& v : intended.values) {
      const SettingEntry& s = *v.setting;
      if (s.write == request.outcome.command &&
          (s.encoding != Encoding::Level || s.channel == request.outcome.request[kPayloadOffset])) {
        request.carried.values.push_back(v);
      }
    }
    sent.push_back(std::move(request));
  }
  // After a stop only the requests that went out are judged, without reading back.
  Judge(changed, sent, verify && report.status != WriteReport::Status::Interrupted, report);
  return report;
}

}  // namespace intercom
