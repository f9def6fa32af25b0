#include "cli/device_session.h"

#include <algorithm>

#include "cli/message_lines.h"
#include "workflow/device_messages.h"
#include "workflow/port_link.h"
#include "workflow/startup.h"

namespace intercom::cli {
namespace {

std::string OutOfRange(const SettingEntry& setting, int32_t value) {
  return std::string(setting.name) + ": " + std::to_string(value) + " is out of range " +
         std::to_string(setting.low) + ".." + std::to_string(setting.high);
}

// What the window lets through: addresses and Tally inputs may also be 0 ("none").
bool Accepted(const SettingEntry& setting, int32_t value) {
  const bool zeroIsNone =
      setting.encoding == Encoding::Address || setting.encoding == Encoding::Tally;
  return (value >= setting.low || (zeroIsNone && value == 0)) && value <= setting.high;
}

// The settings the settings write carries (addresses and the Tally input).
bool SentBySettingsWrite(const KindEntry& kind, const SettingEntry& setting) {
  return std::any_of(kind.writeSteps.begin(), kind.writeSteps.end(),
                     [&](const SequenceStep& step) { return step.command == setting.write; });
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
}

void DeviceSession::Replied(const ExchangeOutcome& outcome) {
  if (const char* confirmation = WriteConfirmation(outcome.command)) {
    Say(MessageLine(LineKind::Information, confirmation));
  }
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
  const Discovery discovery = intercom::Discover(Line(), *this);
  current_ = discovery.settings;
  if (discovery.kind == nullptr) return DeviceKind::None;
  // One probe per kind up to the one that answered; the reads follow.
  readsAnswered_ = port_.AllAnswered(discovery.probes.size());
  return discovery.kind->kind;
}

bool DeviceSession::Probe() {
  port_.Mark();
  Test(Line(), *this);
  return !port_.Replies().empty() && port_.AllAnswered() && !port_.Failed();
}

std::vector<std::string> DeviceSession::Refusals(const DeviceSettings& wanted) const {
  std::vector<std::string> refusals;
  for (const SettingValue& v : wanted.values) {
    if (!Accepted(*v.setting, v.value)) refusals.push_back(OutOfRange(*v.setting, v.value));
  }
  return refusals;
}

void DeviceSession::Send(const DeviceSettings& wanted,
                         const std::vector<const SettingValue*>& changed) {
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
    WriteSettings(Line(), fields, *this);
  }
  for (const SettingValue* v : changed) {
    if (v->setting->encoding == Encoding::Studio) WriteStudioMode(Line(), v->value != 0, *this);
  }
  for (const SettingValue* v : changed) {
    if (v->setting->encoding == Encoding::DeviceAddress) {
      WriteDeviceAddress(Line(), v->value, *this);
    }
  }
  for (const SettingValue* v : changed) {
    if (v->setting->encoding == Encoding::Level) SetLevel(Line(), *v->setting, v->value, *this);
  }
}

void DeviceSession::SortWritten(const std::vector<const SettingValue*>& changed,
                                WriteReport& report) const {
  std::vector<const SettingValue*> left = changed;
  const auto& requests = port_.Requests();
  const auto& replies = port_.Replies();
  for (size_t i = 0; i < requests.size(); ++i) {
    const auto& request = requests[i];
    const bool answered = i < replies.size() && replies[i].size() >= 2 &&
                          replies[i][0] == kFrameSync0 && replies[i][1] == kFrameSync1;
    if (request.size() < static_cast<size_t>(kRequestLength) || !answered) continue;
    const auto command = static_cast<CommandCode>(request[3]);
    for (auto it = left.begin(); it != left.end();) {
      const SettingEntry& s = *(*it)->setting;
      const bool carried = s.write == command &&
                           (s.encoding != Encoding::Level || s.channel == request[kPayloadOffset]);
      if (carried) {
        report.written.push_back(s.name);
        it = left.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const SettingValue* v : left) report.notWritten.push_back(v->setting->name);
}

void DeviceSession::Verify(const DeviceSettings& wanted, DeviceKind kind, WriteReport& report) {
  if (Discover() != kind || !readsAnswered_) {
    report.status = WriteReport::Status::NoAnswer;
    report.problems.push_back("the " + catalogue_.KindName(kind) + " did not answer the read back");
    return;
  }
  for (const SettingValue& v : wanted.values) {
    const int32_t expected = ReadBackValue(*v.setting, v.value);
    const SettingValue* now = current_.Find(v.setting->name);
    if (now == nullptr || now->value != expected) {
      report.status = WriteReport::Status::Differs;
      report.problems.push_back(
          std::string(v.setting->name) + ": wrote " + std::to_string(expected) + ", read " +
          (now == nullptr ? std::string("nothing") : std::to_string(now->value)));
    }
  }
}

WriteReport DeviceSession::Write(const DeviceSettings& wanted, bool verify) {
  WriteReport report;
  const DeviceKind kind = state_.Device();

  report.problems = Refusals(wanted);
  if (!report.problems.empty()) {
    report.status = WriteReport::Status::Refused;
    return report;
  }

  std::vector<const SettingValue*> changed;
  for (const SettingValue& v : wanted.values) {
    const SettingValue* now = current_.Find(v.setting->name);
    const int32_t was = now != nullptr ? now->value : 0;
    if (now != nullptr && ReadBackValue(*v.setting, v.value) == was) continue;
    changed.push_back(&v);
    report.changes.push_back(std::string(v.setting->name) + "=" + std::to_string(v.value) +
                             " (was " + std::to_string(was) + ")");
  }
  if (changed.empty()) return report;

  port_.Mark();
  try {
    Send(wanted, changed);
  } catch (const Interrupted&) {
    report.status = WriteReport::Status::Interrupted;
  }
  SortWritten(changed, report);
  if (report.status == WriteReport::Status::Interrupted) return report;
  if (verify) {
    // What the device reports decides, also for a write whose reply was lost.
    try {
      Verify(wanted, kind, report);
    } catch (const Interrupted&) {
      report.status = WriteReport::Status::Interrupted;
    }
  } else if (!report.notWritten.empty()) {
    report.status = WriteReport::Status::NoAnswer;
    std::string names;
    for (const std::string& name : report.notWritten) names += (names.empty() ? "" : ", ") + name;
    report.problems.push_back("not confirmed by the device: " + names);
  }
  return report;
}

}  // namespace intercom::cli
