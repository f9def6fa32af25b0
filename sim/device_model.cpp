#include "sim/device_model.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "protocol/device_settings.h"

namespace intercom {

namespace {

bool IsKnownCommand(uint8_t code) {
  return code >= static_cast<uint8_t>(CommandCode::ReadDeviceAddress) &&
         code <= static_cast<uint8_t>(CommandCode::WriteTallyAddress);
}

struct Initial {
  const char* kind;
  const char* setting;
  int32_t value;
};

// Where the standard kinds leave the generic rule.
constexpr Initial kInitial[] = {
    {"splitter", "address", 3}, {"splitter", "input1", 2}, {"splitter", "input2", 4},
    {"splitter", "input3", 6},  {"splitter", "input4", 8}, {"beltpack", "address", 7},
    {"beltpack", "volume", 2},  {"switch", "line1", 11},   {"switch", "line2", 12},
    {"switch", "line3", 13},    {"switch", "line4", 14},
};

}  // namespace

int32_t InitialValue(const KindEntry& kind, const SettingEntry& setting) {
  for (const Initial& initial : kInitial) {
    if (std::string_view(initial.kind) == kind.name &&
        std::string_view(initial.setting) == setting.name) {
      return initial.value;
    }
  }
  switch (setting.encoding) {
    case Encoding::DeviceAddress:
      return 5;
    case Encoding::Tally:
      return 7;
    case Encoding::Studio:
      return 0;
    case Encoding::Address:
    case Encoding::Level:
      break;
  }
  return setting.payloadByte + 1;
}

DeviceModel::DeviceModel(DeviceKind kind, bool reportsStudioReset, const Catalogue& catalogue)
    : kind_(kind), reportsStudioReset_(reportsStudioReset) {
  const KindEntry* entry = catalogue.Find(kind);
  if (entry == nullptr) {
    throw std::invalid_argument("no device kind " + std::to_string(static_cast<int>(kind)));
  }
  for (const SettingEntry& setting : entry->settings) settings_.push_back(&setting);
  // Every device keeps an address, a studio mode and a Tally input.
  for (const CommandCode read : {CommandCode::ReadDeviceAddress, CommandCode::ReadStudioMode,
                                 CommandCode::ReadTallyAddress}) {
    const SettingEntry* common = catalogue.Common(read);
    if (common != nullptr && entry->Find(common->name) == nullptr) settings_.push_back(common);
  }
  for (const SettingEntry* setting : settings_) {
    stored_[setting->read][static_cast<size_t>(setting->payloadByte)] =
        EncodeSetting(*setting, InitialValue(*entry, *setting), kStandardLevels);
  }
}

uint8_t DeviceModel::Code(std::string_view name) const {
  for (const SettingEntry* setting : settings_) {
    if (name == setting->name) {
      return stored_.at(setting->read)[static_cast<size_t>(setting->payloadByte)];
    }
  }
  return 0;
}

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
  for (const SettingEntry* setting : settings_) {
    if (setting->write != command) continue;
    uint8_t& code = stored_[setting->read][static_cast<size_t>(setting->payloadByte)];
    switch (setting->encoding) {
      case Encoding::Address:
        code = in[static_cast<size_t>(setting->payloadByte)];
        break;
      case Encoding::DeviceAddress:
      case Encoding::Studio:
        code = in[0];
        break;
      case Encoding::Tally:
        if (in[0] == kTallyMarker) code = in[1];
        break;
      case Encoding::Level:
        if (in[0] == setting->channel) code = in[1];
        break;
    }
  }
  if (command == CommandCode::ReadStudioMode && reportsStudioReset_) return Payload{kStudioReset};
  const auto read = stored_.find(command);
  return read != stored_.end() ? read->second : Payload{};
}

}  // namespace intercom
