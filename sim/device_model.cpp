#include "sim/device_model.h"

#include <algorithm>

namespace intercom {

namespace {

// The level slot a SetLevel channel selector names for `kind`, if any.
std::optional<int> LevelSlot(DeviceKind kind, int32_t selector) {
  if (kind == DeviceKind::BeltPack) {
    if (selector == kChannelBeltPackVolume) return 0;
    return std::nullopt;
  }
  if (kind != DeviceKind::Splitter && kind != DeviceKind::Switch) return std::nullopt;
  switch (selector) {
    case kChannel1:
      return 0;
    case kChannel2:
      return 1;
    case kChannel3:
      return 2;
    case kChannel4:
      return 3;
    default:
      return std::nullopt;
  }
}

bool IsKnownCommand(uint8_t code) {
  return code >= static_cast<uint8_t>(CommandCode::ReadDeviceAddress) &&
         code <= static_cast<uint8_t>(CommandCode::WriteTallyAddress);
}

uint8_t LevelCode(int32_t position) {
  return static_cast<uint8_t>(EncodeLevel(position));
}

}  // namespace

int SettingsAddressCount(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::SubscriberSet:
      return kPayloadLength;
    case DeviceKind::Splitter:
    case DeviceKind::BeltPack:
      return 1;
    case DeviceKind::Switch:
      return 4;
    default:
      return 0;
  }
}

int LevelCount(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::Splitter:
    case DeviceKind::Switch:
      return kLevelCount;
    case DeviceKind::BeltPack:
      return 1;
    default:
      return 0;
  }
}

DeviceSettings InitialSettings(DeviceKind kind) {
  DeviceSettings settings;
  settings.deviceAddress = EncodeAddress(5);
  settings.studioFlag = kStudioOff;
  settings.tallyCode = EncodeTally(7);
  switch (kind) {
    case DeviceKind::SubscriberSet:
      for (int i = 0; i < kPayloadLength; ++i) settings.addresses[i] = EncodeAddress(i + 1);
      break;
    case DeviceKind::Splitter:
      settings.addresses[0] = EncodeAddress(3);
      for (int i = 0; i < kLevelCount; ++i) settings.levels[i] = LevelCode(2 * (i + 1));
      break;
    case DeviceKind::BeltPack:
      settings.addresses[0] = EncodeAddress(7);
      settings.levels[0] = LevelCode(2);
      break;
    case DeviceKind::Switch:
      for (int i = 0; i < 4; ++i) settings.addresses[i] = EncodeAddress(11 + i);
      for (int i = 0; i < kLevelCount; ++i) settings.levels[i] = LevelCode(i + 1);
      break;
    default:
      break;
  }
  return settings;
}

DeviceModel::DeviceModel(DeviceKind kind, bool reportsStudioReset)
    : kind_(kind), reportsStudioReset_(reportsStudioReset), settings_(InitialSettings(kind)) {}

std::optional<ReplyFrame> DeviceModel::Answer(const RequestFrame& request) {
  if (request[0] != kFrameSync0 || request[1] != kFrameSync1) return std::nullopt;
  if (request[2] != static_cast<uint8_t>(kind_)) return std::nullopt;
  if (!IsKnownCommand(request[3])) return std::nullopt;

  Payload in{};
  std::copy_n(request.begin() + kPayloadOffset, kPayloadLength, in.begin());
  const Payload out = Apply(static_cast<CommandCode>(request[3]), in);

  ReplyFrame reply{};
  // Bytes 0..4 come back as they went out: sync, kind, command, length.
  std::copy_n(request.begin(), kPayloadOffset, reply.begin());
  std::copy(out.begin(), out.end(), reply.begin() + kPayloadOffset);
  return reply;
}

Payload DeviceModel::Apply(CommandCode command, const Payload& in) {
  Payload out{};
  const int addressCount = SettingsAddressCount(kind_);
  const int levelCount = LevelCount(kind_);
  switch (command) {
    case CommandCode::ReadDeviceAddress:
      out[0] = settings_.deviceAddress;
      break;
    case CommandCode::WriteDeviceAddress:
      settings_.deviceAddress = in[0];
      break;
    case CommandCode::ReadSettings:
      std::copy_n(settings_.addresses.begin(), addressCount, out.begin());
      break;
    case CommandCode::WriteSettings:
      std::copy_n(in.begin(), addressCount, settings_.addresses.begin());
      break;
    case CommandCode::ReadLevels:
      std::copy_n(settings_.levels.begin(), levelCount, out.begin());
      break;
    case CommandCode::SetLevel:
      if (const auto slot = LevelSlot(kind_, in[0])) settings_.levels[*slot] = in[1];
      break;
    case CommandCode::ReadStudioMode:
      out[0] = reportsStudioReset_ ? kStudioReset : settings_.studioFlag;
      break;
    case CommandCode::WriteStudioMode:
      settings_.studioFlag = in[0];
      break;
    case CommandCode::ReadTallyAddress:
      out[0] = settings_.tallyCode;
      break;
    case CommandCode::WriteTallyAddress:
      if (in[0] == kTallyMarker) settings_.tallyCode = in[1];
      break;
    case CommandCode::Probe:
    case CommandCode::None:
      break;
  }
  return out;
}

}  // namespace intercom
