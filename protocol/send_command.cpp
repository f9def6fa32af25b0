#include "protocol/send_command.h"

#include "panel/field_integer.h"
#include "protocol/exchange.h"
#include "protocol/interpret_reply.h"

namespace intercom {
namespace {

void FillPayload(Session& session, CommandCode command) {
  SessionState& state = session.state;
  PanelModel& panel = session.panel;
  Payload& payload = state.PayloadBuffer;
  // Each byte is written as soon as its field converts, so a failing field
  // leaves the ones before it in place.
  const auto setAddresses = [&](int firstEdit, int count) {
    for (int i = 0; i < count; ++i) {
      payload[static_cast<size_t>(i)] = ZeroRule(panel.EditAt(firstEdit + i).Text(), EncodeAddress);
    }
  };

  switch (command) {
    case CommandCode::ReadDeviceAddress:
    case CommandCode::ReadSettings:
    case CommandCode::ReadLevels:
    case CommandCode::Probe:
    case CommandCode::ReadStudioMode:
      payload.fill(0);
      break;
    case CommandCode::WriteDeviceAddress:
      payload[0] = EncodeAddress(ParseFieldInteger(panel.Form3.Edit1.Text()));
      std::fill(payload.begin() + 1, payload.end(), 0);
      break;
    case CommandCode::WriteSettings:
      switch (state.Device()) {
        case DeviceKind::Switch:
          setAddresses(16, 4);
          break;
        case DeviceKind::BeltPack:
          setAddresses(15, 1);
          break;
        case DeviceKind::Splitter:
          setAddresses(14, 1);
          break;
        case DeviceKind::SubscriberSet:
          setAddresses(1, 10);
          break;
        default:
          break;
      }
      break;
    case CommandCode::SetLevel:
      payload[0] = static_cast<uint8_t>(state.LevelChannel);
      payload[1] = static_cast<uint8_t>(state.LevelValue);
      break;
    case CommandCode::WriteStudioMode:
      payload[0] = panel.CheckBox1.Checked() ? kStudioOn : kStudioOff;
      break;
    case CommandCode::WriteTallyAddress:
      if (state.Device() == DeviceKind::BeltPack) {
        payload[0] = kTallyMarker;
        payload[1] = ZeroRule(panel.Edit20.Text(), EncodeTally);
      }
      break;
    case CommandCode::ReadTallyAddress:
    case CommandCode::None:
      break;
  }
}

}  // namespace

uint8_t ZeroRule(const std::string& text, uint8_t (*encode)(int32_t)) {
  // "00", "-0" or "$0" mean no address as much as "0" does; encoded, 0 would
  // fold to 0xFF (address 32, Tally input 256).
  const int32_t value = ParseFieldInteger(text);
  return value == 0 ? 0x00 : encode(value);
}

void SendCommand(Session& session, CommandCode command) {
  SessionState& state = session.state;
  state.CurrentCommand = static_cast<uint8_t>(command);
  state.PayloadLength = kPayloadLength;

  RequestFrame& request = state.RequestBuffer;
  request[0] = kFrameSync0;
  request[1] = kFrameSync1;
  request[2] = static_cast<uint8_t>(state.CurrentDevice);
  request[3] = static_cast<uint8_t>(command);
  request[4] = state.PayloadLength;

  FillPayload(session, command);
  std::copy(state.PayloadBuffer.begin(), state.PayloadBuffer.end(),
            request.begin() + kPayloadOffset);

  TextField& trace = session.panel.Edit12;
  trace.Append(HexTrace(request.data(), kRequestLength));

  Exchange(session, [&session] { InterpretReply(session); });
}

}  // namespace intercom
