#include "workflow/device_session.h"

#include <algorithm>
#include <map>

#include "workflow/device_messages.h"
#include "workflow/message_lines.h"
#include "workflow/port_link.h"
#include "workflow/startup.h"

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

DeviceSession::DeviceSession(SerialPort& port, Pause pause, std::ostream& messages,
                             std::ostream* trace, StopQuery stopRequested,
                             const Catalogue& catalogue)
    : messages_(messages),
      port_(port, trace, std::move(stopRequested)),
      pause_(std::move(pause)),
      catalogue_(catalogue) {
  SetLevelConstants(state_);
}

void DeviceSession::RequestSent(const RequestFrame&) {}

void DeviceSession::ReplyRead(const ReplyFrame&) {}

void DeviceSession::Say(const std::string& line) {
  if (!quiet_) messages_ << line << std::endl;
}

void DeviceSession::Notice(const std::string& text) {
  Say(MessageLine(LineKind::Notice, text));
  // The window's words give only a code; a script's reader also gets the reason.
  if (text.rfind("Can't ", 0) == 0) Say("reason: " + port_.LastErrorText());
}

void DeviceSession::Replied(const ExchangeOutcome& outcome) {
  // The window confirms any reply in step; a line on stderr is a promise, so
  // a confirmation cut short is not passed on.
  const char* confirmation = WriteConfirmation(outcome.command);
  if (confirmation != nullptr && outcome.Answered()) {
    Say(MessageLine(LineKind::Information, confirmation));
  }
}

void DeviceSession::Exchanged(const ExchangeOutcome& outcome) {
  if (exchanged_ != nullptr) exchanged_->push_back(outcome);
}

void DeviceSession::NoneFound() {
  Say(MessageLine(LineKind::Information, kNoDevice));
}

bool DeviceSession::Connect(const std::string& portName) {
  state_.PortName = portName;
  port_.Mark();
  const bool configured = StartLink(Line());
  return configured && port_.IsOpen();
}

void DeviceSession::Disconnect() {
  ClosePort(Line());
}

DeviceKind DeviceSession::Discover() {
  port_.Mark();
  readsAnswered_ = false;
  unread_.clear();
  const Discovery discovery = intercom::Discover(Line(), *this);
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

bool DeviceSession::Probe() {
  port_.Mark();
  return Test(Line(), *this).Answered() && !port_.Failed();
}

std::vector<std::string> DeviceSession::Refusals(const DeviceSettings& wanted) const {
  std::vector<std::string> refusals;
  for (const SettingValue& v : wanted.values) {
    const SettingValue* now = current_.Find(v.setting->name);
    // A value the device already holds is not written, so it is never refused.
    if (now != nullptr && ReadBackValue(*v.setting, v.value) == now->value) continue;
    if (v.value < v.setting->low || v.value > v.setting->high) {
      refusals.push_back(OutOfRange(*v.setting, v.value));
    }
  }
  return refusals;
}

void DeviceSession::Send(const DeviceSettings& wanted,
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

void DeviceSession::Judge(const std::vector<const SettingValue*>& changed,
                          const std::vector<Sent>& sent, bool verify, WriteReport& report) {
  const DeviceKind kind = state_.Device();
  // Why each changed setting is not written; none yet for those a request carried.
  struct Verdict {
    std::string reason;  // empty: written
    bool differs = false;
  };
  std::map<std::string, Verdict> verdicts;
  for (const SettingValue* v : changed) verdicts[v->setting->name] = {"not sent", false};

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

  for (const Sent& request : sent) {
    Verdict verdict;
    if (!request.outcome.Answered()) {
      verdict.reason = "no whole reply to " + CommandName(request.outcome.command) + " (" +
                       Describe(request.outcome) + ")";
      report.problems.push_back(verdict.reason);
    } else if (verify && !readBack) {
      verdict.reason = "not read back";
    } else if (verify) {
      // Everything the request carried must read back, also what it re-sent unchanged.
      for (const SettingValue& v : request.carried.values) {
        const int32_t expected = ReadBackValue(*v.setting, v.value);
        const SettingValue* now = current_.Find(v.setting->name);
        if (now != nullptr && now->value == expected) continue;
        verdict = {"the read back of " + CommandName(request.outcome.command) + " differs", true};
        report.problems.push_back(
            std::string(v.setting->name) + ": wrote " + std::to_string(expected) + ", read " +
            (now == nullptr ? std::string("nothing") : std::to_string(now->value)));
      }
    }
    for (const SettingValue& v : request.carried.values) {
      const auto changedOne = verdicts.find(v.setting->name);
      if (changedOne != verdicts.end()) changedOne->second = verdict;
    }
  }

  bool anyDiffers = false;
  bool anyLost = false;
  for (const SettingValue* v : changed) {
    const Verdict& verdict = verdicts[v->setting->name];
    if (verdict.reason.empty()) {
      report.written.push_back(v->setting->name);
      continue;
    }
    report.notWritten.push_back(v->setting->name);
    report.reasons.push_back(verdict.reason);
    (verdict.differs ? anyDiffers : anyLost) = true;
  }
  if (report.status == WriteReport::Status::Interrupted) return;
  if (anyLost) {
    report.status = WriteReport::Status::NoAnswer;
  } else if (anyDiffers) {
    report.status = WriteReport::Status::Differs;
  }
}

WriteReport DeviceSession::Write(const DeviceSettings& wanted, bool verify) {
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
  for (const SettingValue& v : wanted.values) {
    const SettingValue* now = current_.Find(v.setting->name);
    if (now != nullptr && ReadBackValue(*v.setting, v.value) == now->value) continue;
    changed.push_back(&v);
    report.changes.push_back(std::string(v.setting->name) + "=" + std::to_string(v.value) +
                             " (was " + (now != nullptr ? std::to_string(now->value) : "?") + ")");
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
