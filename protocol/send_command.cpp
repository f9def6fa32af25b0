#include "protocol/send_command.h"

#include <algorithm>

#include "protocol/interpret_reply.h"

namespace intercom {

void AssembleRequest(const DeviceLine& line, CommandCode command, const DeviceSettings& values) {
  SessionState& state = line.state;
  Payload& payload = state.PayloadBuffer;
  const auto at = [&payload](int i) -> uint8_t& { return payload[static_cast<size_t>(i)]; };
  const LevelScale scale = line.Levels();

  switch (command) {
    case CommandCode::ReadDeviceAddress:
    case CommandCode::ReadSettings:
    case CommandCode::ReadLevels:
    case CommandCode::Probe:
    case CommandCode::ReadStudioMode:
      payload.fill(0);
      break;
    case CommandCode::WriteDeviceAddress:
      std::fill(payload.begin(), payload.end(), 0);
      for (const SettingValue& v : values.values) {
        if (v.setting->write == command) at(0) = EncodeSetting(*v.setting, v.value, scale);
      }
      break;
    case CommandCode::WriteSettings:
      for (const SettingValue& v : values.values) {
        if (v.setting->write == command) {
          at(v.setting->payloadByte) = EncodeSetting(*v.setting, v.value, scale);
        }
      }
      break;
    case CommandCode::SetLevel:
      for (const SettingValue& v : values.values) {
        if (v.setting->write != command) continue;
        state.LevelChannel = v.setting->channel;
        state.LevelValue = EncodeLevel(v.value, scale.base, scale.step, scale.max);
      }
      at(0) = static_cast<uint8_t>(state.LevelChannel);
      at(1) = static_cast<uint8_t>(state.LevelValue);
      break;
    case CommandCode::WriteStudioMode:
      for (const SettingValue& v : values.values) {
        if (v.setting->write == command) at(0) = EncodeSetting(*v.setting, v.value, scale);
      }
      break;
    case CommandCode::WriteTallyAddress:
      for (const SettingValue& v : values.values) {
        if (v.setting->write != command) continue;
        at(0) = kTallyMarker;
        at(1) = EncodeSetting(*v.setting, v.value, scale);
      }
      break;
    case CommandCode::ReadTallyAddress:
    case CommandCode::None:
      break;
  }

  RequestFrame& request = state.RequestBuffer;
  request[0] = kFrameSync0;
  request[1] = kFrameSync1;
  request[2] = static_cast<uint8_t>(state.CurrentDevice);
  request[3] = static_cast<uint8_t>(command);
  request[4] = state.PayloadLength;
  std::copy(payload.begin(), payload.end(), request.begin() + kPayloadOffset);
}

ExchangeOutcome SendCommand(const DeviceLine& line, CommandCode command,
                            const DeviceSettings& values, const ReplyHandler& onReply) {
  SessionState& state = line.state;
  state.CurrentCommand = static_cast<uint8_t>(command);
  state.PayloadLength = kPayloadLength;
  AssembleRequest(line, command, values);
  line.observer.RequestSent(state.RequestBuffer);

  ExchangeOutcome outcome = Exchange(line);
  if (outcome.InSync()) {
    state.NoAnswer = false;
    InterpretReply(line.catalogue, state.Device(), outcome);
    if (onReply) onReply(outcome);
    // A nested exchange may have set it.
    state.NoAnswer = false;
  }
  return outcome;
}

}  // namespace intercom
