#include "workflow/settings_commands.h"

#include <algorithm>
#include <vector>

#include "panel/field_integer.h"
#include "panel/handler_failure.h"
#include "protocol/send_command.h"
#include "workflow/startup.h"

namespace intercom {
namespace {

constexpr const char* kAddressRange = "Адрес должен быть задан в пределах от 1 до 32";
constexpr const char* kTallyRange = "Адрес входа Tally должен быть задан в пределах от 1 до 256";

// The address fields a write sends for each kind, in the order they are filled.
std::vector<TextField*> AddressFieldsOf(PanelModel& panel, DeviceKind kind) {
  switch (kind) {
    case DeviceKind::SubscriberSet: {
      std::vector<TextField*> fields;
      for (int n = 1; n <= 10; ++n) fields.push_back(&panel.EditAt(n));
      return fields;
    }
    case DeviceKind::Splitter:
      return {&panel.Edit14};
    case DeviceKind::BeltPack:
      return {&panel.Edit15};
    case DeviceKind::Switch:
      return {&panel.Edit16, &panel.Edit17, &panel.Edit18, &panel.Edit19};
    default:
      return {};
  }
}

// A text that is a number outside lo..hi; a text that is no number is not.
bool OutOfRange(const std::string& text, int32_t lo, int32_t hi) {
  try {
    const int32_t value = ParseFieldInteger(text);
    return value < lo || value > hi;
  } catch (const ConversionFailure&) {
    return false;
  }
}

void FillEmpty(TextField& field) {
  if (field.Text().empty()) field.SetText("0");
}

}  // namespace

std::vector<WriteRefusal> WriteRefusals(PanelModel& panel, DeviceKind kind) {
  std::vector<WriteRefusal> refusals;
  for (TextField* field : AddressFieldsOf(panel, kind)) {
    if (OutOfRange(field->Text(), 0, 32)) refusals.push_back({field, 0, 32});
  }
  if (kind == DeviceKind::BeltPack && OutOfRange(panel.Edit20.Text(), 0, 256)) {
    refusals.push_back({&panel.Edit20, 0, 256});
  }
  return refusals;
}

void BitBtn4Click(Session& session) {
  SendCommand(session, CommandCode::ReadSettings);
  session.pause(50);
  SendCommand(session, CommandCode::ReadTallyAddress);
}

void BitBtn2Click(Session& session) {
  PanelModel& panel = session.panel;
  const DeviceKind kind = session.state.Device();
  const std::vector<TextField*> fields = AddressFieldsOf(panel, kind);
  if (fields.empty()) return;

  for (TextField* field : fields) FillEmpty(*field);
  if (kind == DeviceKind::SubscriberSet) FillEmpty(panel.Edit11);
  if (kind == DeviceKind::BeltPack) FillEmpty(panel.Edit20);

  // Every field the write will send converts before anything goes out: a
  // Tally text that fails after WriteSettings was confirmed would leave the
  // device half written. The first failure ends the handler with its message.
  for (TextField* field : fields) ParseFieldInteger(field->Text());
  if (kind == DeviceKind::BeltPack) ParseFieldInteger(panel.Edit20.Text());

  // A device must never receive an address folded out of range (33 would go
  // out as address 1), so the whole write is refused instead.
  const std::vector<WriteRefusal> refusals = WriteRefusals(panel, kind);
  const bool tallyRefused =
      std::any_of(refusals.begin(), refusals.end(),
                  [&](const WriteRefusal& r) { return r.field == &panel.Edit20; });
  if (refusals.size() > (tallyRefused ? 1u : 0u)) panel.ShowNotice(kAddressRange);
  if (tallyRefused) panel.ShowNotice(kTallyRange);
  if (!refusals.empty()) return;

  SendCommand(session, CommandCode::WriteSettings);
  if (kind == DeviceKind::BeltPack) {
    session.pause(50);
    SendCommand(session, CommandCode::WriteTallyAddress);
  } else if (kind == DeviceKind::Switch) {
    session.pause(50);
  }
}

void BitBtn18Click(Session& session) {
  SendCommand(session, CommandCode::Probe);
}

void BitBtn19Click(Session& session) {
  DiscoverDevice(session);
}

void BitBtn3Click(Session& session) {
  session.panel.Form1.Close();
}

void BitBtn5Click(Session& session) {
  session.panel.Edit12.SetText("");
  session.panel.Edit13.SetText("");
}

void CheckBox1Click(Session& session) {
  SendCommand(session, CommandCode::WriteStudioMode);
}

void COM1Click(Session& session) {
  session.panel.Form2.Form.Show();
}

void BitBtn1Click(Session& session) {
  session.panel.Form3.Form.Show();
}

}  // namespace intercom
