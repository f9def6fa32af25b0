#include "protocol/interpret_reply.h"

#include "protocol/send_command.h"

namespace intercom {
namespace {

constexpr const char* kDeviceAddressWritten =
    "                            Новый адрес записан.\r\n"
    "Адрес должен соответствовать номеру порта комутатора,\r\n"
    "                 в который будет включено устройство";
constexpr const char* kSettingsWritten = "Новые настройки записаны.";

}  // namespace

void InterpretReply(Session& session) {
  SessionState& state = session.state;
  PanelModel& panel = session.panel;
  state.NoAnswer = false;

  // Independent tests, not one choice: the studio row may change
  // CurrentCommand, which the tests after it then see.
  const auto command = [&state] { return state.Command(); };
  const auto device = [&state] { return state.Device(); };
  const auto setAddresses = [&](int firstEdit, int count) {
    for (int i = 0; i < count; ++i)
      panel.EditAt(firstEdit + i).SetText(DecodeAddress(state.ReplyByte(i)));
  };
  const auto setLevels = [&](int firstBar, int count) {
    for (int i = 0; i < count; ++i)
      panel.TrackBarAt(firstBar + i).SetPosition(DecodeLevel(state.ReplyByte(i)));
  };

  if (command() == CommandCode::ReadDeviceAddress) {
    const uint8_t b = state.ReplyByte(0);
    if (b == 0) {
      panel.Edit11.SetText("0");
    } else {
      panel.Edit11.SetText(DecodeAddress(b));
      panel.Form3.Edit1.SetText(DecodeAddress(b));
    }
  }
  if (command() == CommandCode::WriteDeviceAddress) panel.ShowInformation(kDeviceAddressWritten);
  if (command() == CommandCode::ReadSettings && device() == DeviceKind::Switch) setAddresses(16, 4);
  if (command() == CommandCode::ReadSettings && device() == DeviceKind::BeltPack)
    setAddresses(15, 1);
  if (command() == CommandCode::ReadSettings && device() == DeviceKind::Splitter)
    setAddresses(14, 1);
  if (command() == CommandCode::ReadSettings && device() == DeviceKind::SubscriberSet)
    setAddresses(1, 10);
  if (command() == CommandCode::WriteSettings) panel.ShowInformation(kSettingsWritten);
  if (command() == CommandCode::ReadLevels && device() == DeviceKind::Splitter) setLevels(1, 4);
  if (command() == CommandCode::ReadLevels && device() == DeviceKind::BeltPack) setLevels(5, 1);
  if (command() == CommandCode::ReadLevels && device() == DeviceKind::Switch) setLevels(6, 4);
  if (command() == CommandCode::ReadStudioMode) {
    const uint8_t b = state.ReplyByte(0);
    if (b == kStudioReset) {
      panel.CheckBox1.SetChecked(false);
      SendCommand(session, CommandCode::WriteStudioMode);
    } else {
      panel.CheckBox1.SetChecked(StudioFlagIsSet(b));
    }
  }
  if (command() == CommandCode::ReadTallyAddress)
    panel.Edit20.SetText(DecodeTally(state.ReplyByte(0)));

  // A nested exchange in the studio row may have set it.
  state.NoAnswer = false;
}

}  // namespace intercom
