#include "controller/panel_binding.h"

#include <algorithm>
#include <string>
#include <vector>

#include "device/device_messages.h"
#include "panel/field_integer.h"

namespace intercom {
namespace {

constexpr const char* kAddressRange = "Адрес должен быть задан в пределах от 1 до 32";
constexpr const char* kTallyRange = "Адрес входа Tally должен быть задан в пределах от 0 до 256";
constexpr const char* kDeviceAddressRange =
    "Адрес устройства должен быть не менее 1 и не бюолее 32";
// The fields the window has for the kind's groups of controls.
constexpr int kKeyFields = 10;

bool UsesGroup(const DevicePage* page, int group) {
  return page != nullptr &&
         std::find(page->groups.begin(), page->groups.end(), group) != page->groups.end();
}

}  // namespace

PanelBinding::PanelBinding(PanelModel& panel, const Catalogue& catalogue)
    : panel_(panel), catalogue_(catalogue) {}

void PanelBinding::RequestSent(const RequestFrame& request) {
  panel_.Edit12.Append(HexTrace(request.data(), kRequestLength));
}

void PanelBinding::ReplyRead(const ReplyFrame& reply) {
  panel_.Edit13.Append(HexTrace(reply.data(), kReplyLength - 1));
}

void PanelBinding::Notice(const std::string& text) {
  panel_.ShowNotice(text);
}

void PanelBinding::Replied(const ExchangeOutcome& outcome) {
  switch (outcome.command) {
    case CommandCode::ReadDeviceAddress: {
      // A zero byte is shown only in the main window; the dialog keeps its text.
      const std::string text = std::to_string(outcome.values.values.at(0).value);
      panel_.Edit11.SetText(text);
      if (outcome.reply[kPayloadOffset] != 0) panel_.Form3.Edit1.SetText(text);
      return;
    }
    case CommandCode::WriteDeviceAddress:
    case CommandCode::WriteSettings:
      panel_.ShowInformation(WriteConfirmation(outcome.command));
      return;
    case CommandCode::ReadStudioMode:
      panel_.CheckBox1.SetChecked(!outcome.studioReset && outcome.values.values.at(0).value != 0);
      return;
    default:
      break;
  }
  for (const SettingValue& v : outcome.values.values) {
    const ControlRef* control = panel_.Description().FindSettingControl(
        static_cast<int32_t>(outcome.values.kind), v.setting->name);
    if (control == nullptr) continue;
    if (control->type == ControlType::Edit) {
      panel_.EditAt(control->number).SetText(std::to_string(v.value));
    } else if (control->type == ControlType::TrackBar) {
      panel_.TrackBarAt(control->number).SetPosition(v.value);
    }
  }
}

void PanelBinding::DiscoveryStarted() {
  panel_.PageControl1.SetEnabled(true);
}

void PanelBinding::Probed(size_t index) {
  // The page control steps along from the third probe on, as the pages pass by.
  if (index >= 2) panel_.PageControl1.ShowNextPage();
}

void PanelBinding::Found(const KindEntry& kind) {
  const DevicePage* page = panel_.Description().FindPage(static_cast<int32_t>(kind.kind));
  const bool keys = page != nullptr && page->keyFieldsEnabled;
  for (int n = 1; n <= kKeyFields; ++n) panel_.EditAt(n).SetEnabled(keys);
  for (int group : panel_.Description().DeviceGroups()) {
    if (!UsesGroup(page, group)) panel_.GroupBoxAt(group).SetEnabled(false);
  }
  panel_.BitBtn2.SetEnabled(true);
  panel_.BitBtn4.SetEnabled(true);
}

void PanelBinding::ReadsDone(const KindEntry& kind) {
  const int32_t wire = static_cast<int32_t>(kind.kind);
  const DevicePage* page = panel_.Description().FindPage(wire);
  if (page == nullptr) return panel_.PageControl1.ShowPage(PageControl::kNoPage);
  for (int group : page->groups) panel_.GroupBoxAt(group).SetEnabled(true);
  panel_.PageControl1.ShowPage(panel_.Description().PageIndex(wire));
}

void PanelBinding::NoneFound() {
  for (int n = 1; n <= kKeyFields; ++n) panel_.EditAt(n).SetEnabled(false);
  panel_.BitBtn4.SetEnabled(false);
  panel_.BitBtn2.SetEnabled(false);
  for (int group : panel_.Description().DeviceGroups()) panel_.GroupBoxAt(group).SetEnabled(false);
  panel_.PageControl1.ShowPage(PageControl::kNoPage);
  panel_.ShowInformation(kNoDevice);
  panel_.PageControl1.SetEnabled(false);
}

std::optional<DeviceSettings> PanelBinding::SettingsToWrite(const KindEntry& kind) {
  const int32_t wire = static_cast<int32_t>(kind.kind);
  struct Sent {
    const SettingEntry* setting;
    TextField* field;
  };
  std::vector<Sent> sent;
  for (const SequenceStep& step : kind.writeSteps) {
    for (const SettingEntry& setting : kind.settings) {
      const ControlRef* control = panel_.Description().FindSettingControl(wire, setting.name);
      if (setting.write != step.command || control == nullptr ||
          control->type != ControlType::Edit) {
        continue;
      }
      sent.push_back({&setting, &panel_.EditAt(control->number)});
    }
  }
  if (sent.empty()) return std::nullopt;

  if (const DevicePage* page = panel_.Description().FindPage(wire)) {
    for (const SettingControl& c : page->controls) {
      if (c.control.type != ControlType::Edit) continue;
      TextField& field = panel_.EditAt(c.control.number);
      if (field.Text().empty()) field.SetText("0");
    }
  }

  // Every field the write will send converts before anything goes out: a
  // Tally text that fails after WriteSettings was confirmed would leave the
  // device half written. The first failure ends the handler with its message.
  DeviceSettings values{kind.kind, {}};
  for (const Sent& s : sent)
    values.values.push_back({s.setting, ParseFieldInteger(s.field->Text())});

  // A device must never receive an address folded out of range (33 would go
  // out as address 1), so the whole write is refused instead. 0 is "none".
  bool addressRefused = false;
  bool tallyRefused = false;
  for (const SettingValue& v : values.values) {
    if (v.value >= 0 && v.value <= v.setting->high) continue;
    (v.setting->encoding == Encoding::Tally ? tallyRefused : addressRefused) = true;
  }
  if (addressRefused) panel_.ShowNotice(kAddressRange);
  if (tallyRefused) panel_.ShowNotice(kTallyRange);
  if (addressRefused || tallyRefused) return std::nullopt;
  return values;
}

void PanelBinding::AttachFieldChecks() {
  const auto attach = [this](TextField& field, AddressRule rule) {
    field.OnChange = [this, &field, rule] { CheckField(field, rule); };
  };
  for (int n = 1; n <= 9; ++n) attach(panel_.EditAt(n), AddressRule::AtMost32);
  attach(panel_.Edit10, AddressRule::EmptyOrAtMost32);
  attach(panel_.Edit14, AddressRule::ZeroTo32);
  attach(panel_.Edit15, AddressRule::ZeroTo32);
  attach(panel_.Form3.Edit1, AddressRule::OneTo32);
}

void PanelBinding::CheckField(TextField& field, AddressRule rule) {
  if (rule == AddressRule::EmptyOrAtMost32 && field.Text().empty()) return;
  const int32_t value = ParseFieldInteger(field.Text());
  bool refused = false;
  switch (rule) {
    case AddressRule::AtMost32:
    case AddressRule::EmptyOrAtMost32:
      refused = value > 32;
      break;
    case AddressRule::ZeroTo32:
      refused = value < 0 || value > 32;
      break;
    case AddressRule::OneTo32:
      refused = value < 1 || value > 32;
      break;
  }
  if (!refused) return;
  panel_.ShowNotice(kAddressRange);
  field.SetText("0");
}

bool PanelBinding::StudioChecked() const {
  return panel_.CheckBox1.Checked();
}

std::optional<int32_t> PanelBinding::DeviceAddressToWrite() {
  const int32_t address = ParseFieldInteger(panel_.Form3.Edit1.Text());
  if (address >= 1 && address <= 32) return address;
  panel_.ShowNotice(kDeviceAddressRange);
  return std::nullopt;
}

void PanelBinding::DeviceAddressSent() {
  panel_.Edit11.SetText(panel_.Form3.Edit1.Text());
}

TrackBar& PanelBinding::Slider(const LevelButtons& buttons) {
  return panel_.TrackBarAt(buttons.trackBar);
}

const SettingEntry* PanelBinding::LevelSetting(const LevelButtons& buttons) const {
  const KindEntry* kind = catalogue_.Find(static_cast<DeviceKind>(buttons.kind));
  return kind != nullptr ? kind->Find(buttons.setting) : nullptr;
}

std::optional<int> PanelBinding::MoveSlider(const LevelButtons& buttons, int by) {
  // Each slider has its own end: another slider sitting at 16 does not block this one.
  TrackBar& bar = Slider(buttons);
  const int target = bar.Position() + by;
  if (target < TrackBar::kMin || target > TrackBar::kMax) return std::nullopt;
  bar.SetPosition(target);
  return bar.Position();
}

void PanelBinding::ShowPortList(const std::vector<std::string>& ports,
                                const std::vector<std::string>& descriptions) {
  ComboBox& list = panel_.Form2.ComboBox1;
  list.ClearItems();
  for (size_t i = 0; i < ports.size(); ++i) {
    list.AddItem(ports[i], i < descriptions.size() ? descriptions[i] : std::string());
  }
  list.SetItemIndex(-1);
}

void PanelBinding::SelectTypedPort() {
  ComboBox& list = panel_.Form2.ComboBox1;
  const std::vector<std::string>& items = list.Items();
  const auto typed = std::find(items.begin(), items.end(), list.Text());
  if (typed != items.end()) list.SetItemIndex(static_cast<int>(typed - items.begin()));
}

void PanelBinding::ShowPortName(const std::string& name) {
  panel_.Form2.ComboBox1.SetText(name);
}

void PanelBinding::ShowPortVerdict(const std::string& verdict) {
  panel_.Form2.Label2.SetText(verdict);
}

void PanelBinding::ClearTrace() {
  panel_.Edit12.SetText("");
  panel_.Edit13.SetText("");
}

void PanelBinding::SetLogHint(const std::string& hint) {
  panel_.Form1.SetHint(hint);
}

void PanelBinding::UncheckExchangeLog() {
  panel_.ExchangeLog.SetChecked(false);
}

void PanelBinding::ShowPortDialog() {
  panel_.Form2.Form.Show();
}

void PanelBinding::ClosePortDialog() {
  panel_.Form2.Form.Close();
}

void PanelBinding::ShowAddressDialog() {
  panel_.Form3.Form.Show();
}

void PanelBinding::CloseAddressDialog() {
  panel_.Form3.Form.Close();
}

void PanelBinding::CloseMainWindow() {
  panel_.Form1.Close();
}

}  // namespace intercom
