#include "protocol/interpret_reply.h"

namespace intercom {

void InterpretReply(const Catalogue& catalogue, DeviceKind kind, ExchangeOutcome& outcome) {
  outcome.values = DeviceSettings{kind, {}};
  const auto payloadByte = [&outcome](int i) {
    return outcome.reply[static_cast<size_t>(kPayloadOffset + i)];
  };
  const auto take = [&](const SettingEntry& setting) {
    const uint8_t byte = payloadByte(setting.payloadByte);
    outcome.values.values.push_back({&setting, DecodeSetting(setting, byte)});
    if (setting.encoding == Encoding::Studio && byte == kStudioReset) outcome.studioReset = true;
  };
  if (const KindEntry* entry = catalogue.Find(kind)) {
    for (const SettingEntry& setting : entry->settings) {
      if (setting.read == outcome.command) take(setting);
    }
  }
  if (outcome.values.values.empty()) {
    if (const SettingEntry* common = catalogue.Common(outcome.command)) take(*common);
  }
}

}  // namespace intercom
