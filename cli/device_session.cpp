#include "cli/device_session.h"

#include <algorithm>

#include "protocol/frames.h"
#include "workflow/handlers.h"
#include "workflow/level_adjustment.h"
#include "workflow/port_link.h"
#include "workflow/settings_commands.h"
#include "workflow/startup.h"

namespace intercom::cli {
namespace {

std::string OutOfRange(const SettingSpec& spec, int32_t value) {
  return std::string(spec.name) + ": " + std::to_string(value) + " is out of range " +
         std::to_string(spec.low) + ".." + std::to_string(spec.high);
}

const LevelControl& LevelControlOf(const SettingSpec& spec) {
  return LevelControls()[spec.control - 1];
}

bool IsAddressLike(const SettingSpec& spec) {
  return spec.type == SettingType::Address || spec.type == SettingType::Tally;
}

}  // namespace

DeviceSession::DeviceSession(SerialPort& port, Pause pause, std::ostream& messages,
                             std::ostream* trace, StopQuery stopRequested)
    : boxes_(messages),
      panel_(boxes_, "intercom-cli"),
      port_(port, trace, std::move(stopRequested)),
      session_(panel_, port_, std::move(pause)) {
  BindHandlers(session_);
  SetLevelConstants(session_.state);
}

bool DeviceSession::Connect(const std::string& portName) {
  session_.state.PortName = portName;
  port_.Mark();
  const bool configured = StartLink(session_);
  return configured && port_.IsOpen();
}

void DeviceSession::Disconnect() {
  ClosePort(session_);
}

DeviceKind DeviceSession::Discover() {
  port_.Mark();
  readsAnswered_ = false;
  panel_.BitBtn19.Click();
  if (panel_.PageControl1.ActivePage() == PageControl::kNoPage) return DeviceKind::None;
  const DeviceKind kind = session_.state.Device();
  // One probe per kind up to the one that answered; the reads follow.
  readsAnswered_ = port_.AllAnswered(static_cast<size_t>(kind));
  return kind;
}

KindSettings DeviceSession::Current() {
  return ReadPanel(panel_, session_.state.Device());
}

bool DeviceSession::Probe() {
  port_.Mark();
  panel_.BitBtn18.Click();
  return !port_.Replies().empty() && port_.AllAnswered() && !port_.Failed();
}

std::vector<std::string> DeviceSession::Refusals(const KindSettings& wanted) {
  std::vector<std::string> refusals;
  const bool wasQuiet = boxes_.Quiet();
  // The fields' own checks speak in the window's words; one line naming the
  // setting and its range is printed instead.
  boxes_.SetQuiet(true);
  for (const SettingValue& v : wanted.values) {
    const SettingSpec& spec = *v.spec;
    const int before = boxes_.Count();
    switch (spec.type) {
      case SettingType::Address:
      case SettingType::Tally:
        panel_.EditAt(spec.control).SetText(std::to_string(v.value));
        break;
      case SettingType::DeviceAddress:
        panel_.Form3.Edit1.SetText(std::to_string(v.value));
        break;
      case SettingType::Level:
        if (v.value < TrackBar::kMin || v.value > TrackBar::kMax)
          refusals.push_back(OutOfRange(spec, v.value));
        break;
      case SettingType::Studio:
        if (v.value != 0 && v.value != 1) refusals.push_back(OutOfRange(spec, v.value));
        break;
    }
    if (boxes_.Count() != before) refusals.push_back(OutOfRange(spec, v.value));
  }
  for (const WriteRefusal& refusal : WriteRefusals(panel_, wanted.kind)) {
    for (const SettingValue& v : wanted.values) {
      if (IsAddressLike(*v.spec) && &panel_.EditAt(v.spec->control) == refusal.field &&
          std::find(refusals.begin(), refusals.end(), OutOfRange(*v.spec, v.value)) ==
              refusals.end()) {
        refusals.push_back(OutOfRange(*v.spec, v.value));
      }
    }
  }
  boxes_.SetQuiet(wasQuiet);
  return refusals;
}

void DeviceSession::Send(const std::vector<const SettingValue*>& changed) {
  const auto any = [&](auto predicate) {
    return std::any_of(changed.begin(), changed.end(),
                       [&](const SettingValue* v) { return predicate(*v->spec); });
  };
  if (any(IsAddressLike)) panel_.BitBtn2.Click();
  for (const SettingValue* v : changed) {
    if (v->spec->type == SettingType::Studio) panel_.CheckBox1.SetChecked(v->value != 0);
  }
  if (any([](const SettingSpec& s) { return s.type == SettingType::DeviceAddress; })) {
    panel_.Form3.BitBtn1.Click();
  }
  for (const SettingValue* v : changed) {
    if (v->spec->type != SettingType::Level) continue;
    // One step onto the wanted position sends exactly one SetLevel with it.
    const LevelControl& control = LevelControlOf(*v->spec);
    TrackBar& bar = panel_.TrackBarAt(control.trackBar);
    if (v->value > TrackBar::kMin) {
      bar.SetPosition(v->value - 1);
      panel_.BitBtnAt(control.upButton).Click();
    } else {
      bar.SetPosition(TrackBar::kMin + 1);
      panel_.BitBtnAt(control.downButton).Click();
    }
  }
}

void DeviceSession::SortWritten(const std::vector<const SettingValue*>& changed,
                                WriteReport& report) const {
  std::vector<const SettingValue*> left = changed;
  const auto take = [&](auto predicate) {
    for (auto it = left.begin(); it != left.end();) {
      if (predicate(*(*it)->spec)) {
        report.written.push_back((*it)->spec->name);
        it = left.erase(it);
      } else {
        ++it;
      }
    }
  };
  const auto& requests = port_.Requests();
  const auto& replies = port_.Replies();
  for (size_t i = 0; i < requests.size(); ++i) {
    const auto& request = requests[i];
    const bool answered = i < replies.size() && replies[i].size() >= 2 &&
                          replies[i][0] == kFrameSync0 && replies[i][1] == kFrameSync1;
    if (request.size() < static_cast<size_t>(kRequestLength) || !answered) continue;
    switch (static_cast<CommandCode>(request[3])) {
      case CommandCode::WriteSettings:
        take([](const SettingSpec& s) { return s.type == SettingType::Address; });
        break;
      case CommandCode::WriteTallyAddress:
        take([](const SettingSpec& s) { return s.type == SettingType::Tally; });
        break;
      case CommandCode::WriteStudioMode:
        take([](const SettingSpec& s) { return s.type == SettingType::Studio; });
        break;
      case CommandCode::WriteDeviceAddress:
        take([](const SettingSpec& s) { return s.type == SettingType::DeviceAddress; });
        break;
      case CommandCode::SetLevel:
        take([&](const SettingSpec& s) {
          return s.type == SettingType::Level &&
                 LevelControlOf(s).channel == request[kPayloadOffset];
        });
        break;
      default:
        break;
    }
  }
  for (const SettingValue* v : left) report.notWritten.push_back(v->spec->name);
}

void DeviceSession::Verify(const KindSettings& wanted, DeviceKind kind, WriteReport& report) {
  if (Discover() != kind || !readsAnswered_) {
    report.status = WriteReport::Status::NoAnswer;
    report.problems.push_back("the " + KindName(kind) + " did not answer the read back");
    return;
  }
  const KindSettings now = Current();
  for (const SettingValue& v : wanted.values) {
    const int32_t expected = ReadBackValue(*v.spec, v.value);
    const int32_t got = now.Find(v.spec->name)->value;
    if (got != expected) {
      report.status = WriteReport::Status::Differs;
      report.problems.push_back(std::string(v.spec->name) + ": wrote " + std::to_string(expected) +
                                ", read " + std::to_string(got));
    }
  }
}

WriteReport DeviceSession::Write(const KindSettings& wanted, bool verify) {
  WriteReport report;
  const DeviceKind kind = session_.state.Device();
  const KindSettings current = Current();

  report.problems = Refusals(wanted);
  if (!report.problems.empty()) {
    report.status = WriteReport::Status::Refused;
    return report;
  }

  std::vector<const SettingValue*> changed;
  for (const SettingValue& v : wanted.values) {
    const int32_t now = current.Find(v.spec->name)->value;
    if (ReadBackValue(*v.spec, v.value) == now) continue;
    changed.push_back(&v);
    report.changes.push_back(std::string(v.spec->name) + "=" + std::to_string(v.value) + " (was " +
                             std::to_string(now) + ")");
  }
  if (changed.empty()) return report;

  port_.Mark();
  try {
    Send(changed);
  } catch (const Interrupted&) {
    report.status = WriteReport::Status::Interrupted;
  }
  SortWritten(changed, report);
  if (report.status == WriteReport::Status::Interrupted) return report;
  if (port_.Requests().empty()) {
    // The write sequence refused on its own (its notice was printed).
    report.status = WriteReport::Status::Refused;
    report.problems.push_back("the write was refused; nothing was sent");
    return report;
  }
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
