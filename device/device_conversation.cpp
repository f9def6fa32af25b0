#include "device/device_conversation.h"

#include <algorithm>

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

}  // namespace

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

void DeviceConversation::Follow(ExchangeObserver& observer, DiscoveryEvents& events) {
  followerObserver_ = &observer;
  followerEvents_ = &events;
}

void DeviceConversation::RequestSent(const RequestFrame& request) {
  if (followerObserver_ != nullptr) followerObserver_->RequestSent(request);
}

void DeviceConversation::EchoRead(const RequestFrame& echo) {
  if (followerObserver_ != nullptr) followerObserver_->EchoRead(echo);
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
  if (DiscoveryEvents* events = Following()) events->Replied(outcome);
  // The window confirms any reply in step; a line on stderr is a promise, so
  // a confirmation cut short is not passed on.
  const char* confirmation = WriteConfirmation(outcome.command);
  if (confirmation != nullptr && outcome.Answered()) {
    Say(MessageLine(LineKind::Information, confirmation));
  }
}

void DeviceConversation::Exchanged(const ExchangeOutcome& outcome) {
  if (exchanged_ != nullptr) exchanged_->push_back(outcome);
  if (DiscoveryEvents* events = Following()) events->Exchanged(outcome);
}

void DeviceConversation::DiscoveryStarted() {
  if (DiscoveryEvents* events = Following()) events->DiscoveryStarted();
}

void DeviceConversation::Probed(size_t index) {
  if (DiscoveryEvents* events = Following()) events->Probed(index);
}

void DeviceConversation::Found(const KindEntry& kind) {
  if (DiscoveryEvents* events = Following()) events->Found(kind);
}

void DeviceConversation::ReadsDone(const KindEntry& kind) {
  if (DiscoveryEvents* events = Following()) events->ReadsDone(kind);
}

void DeviceConversation::NoneFound() {
  Say(MessageLine(LineKind::Information, kNoDevice));
  if (DiscoveryEvents* events = Following()) events->NoneFound();
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
               " (" + CommandName(read.command) + ": " + DescribeExchange(read) + ")";
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

void DeviceConversation::Judge(const std::vector<SettingChange>& changes,
                               const std::vector<SentRequest>& sent, bool verify,
                               WriteReport& report) {
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
  JudgeWrite(changes, sent, verify, readBack ? &current_ : nullptr, report);
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

  const std::vector<SettingChange> changes = Changes(wanted);
  if (changes.empty()) return report;
  std::vector<const SettingValue*> changed;
  for (const SettingChange& change : changes) changed.push_back(wanted.Find(change.setting->name));

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

  // After a stop only the requests that went out are judged, without reading back.
  Judge(changes, RequestsSent(std::move(exchanged), intended),
        verify && report.status != WriteReport::Status::Interrupted, report);
  return report;
}

}  // namespace intercom
