#include "protocol/device_catalogue.h"

namespace intercom {
namespace {

using C = CommandCode;
using E = Encoding;

SettingEntry Address(const char* name, int byte) {
  return {name, E::Address, 0, 32, C::ReadSettings, C::WriteSettings, byte, 0};
}

SettingEntry Level(const char* name, int byte, int32_t channel) {
  return {name, E::Level, 0, 16, C::ReadLevels, C::SetLevel, byte, channel};
}

const SettingEntry kTally{"tally", E::Tally, 1, 256, C::ReadTallyAddress, C::WriteTallyAddress,
                          0,       0};
const SettingEntry kStudio{"studio", E::Studio, 0, 1, C::ReadStudioMode, C::WriteStudioMode, 0, 0};
const SettingEntry kDeviceAddress{"device_address",     E::DeviceAddress,      1, 32,
                                  C::ReadDeviceAddress, C::WriteDeviceAddress, 0, 0};

Catalogue MakeStandard() {
  std::vector<SettingEntry> keys;
  static const char* const kKeys[] = {"key1", "key2", "key3", "key4", "key5",
                                      "key6", "key7", "key8", "key9", "key10"};
  for (int i = 0; i < 10; ++i) keys.push_back(Address(kKeys[i], i));
  keys.push_back(kStudio);
  keys.push_back(kDeviceAddress);

  std::vector<KindEntry> kinds = {
      {DeviceKind::SubscriberSet,
       "subscriber",
       {C::ReadDeviceAddress, C::ReadSettings, C::ReadStudioMode},
       {{C::WriteSettings, 0}},
       keys,
       "subscriber set"},
      {DeviceKind::Splitter,
       "splitter",
       {C::ReadSettings, C::ReadLevels},
       {{C::WriteSettings, 0}},
       {Address("address", 0), Level("input1", 0, kChannel1), Level("input2", 1, kChannel2),
        Level("input3", 2, kChannel3), Level("input4", 3, kChannel4)}},
      {DeviceKind::BeltPack,
       "beltpack",
       {C::ReadSettings, C::ReadLevels, C::ReadTallyAddress},
       {{C::WriteSettings, 50}, {C::WriteTallyAddress, 0}},
       {Address("address", 0), Level("volume", 0, kChannelBeltPackVolume), kTally},
       "belt pack"},
      {DeviceKind::Switch,
       "switch",
       {C::ReadSettings, C::ReadLevels},
       // The switch takes a moment to store its lines before the next request.
       {{C::WriteSettings, 50}},
       {Address("line1", 0), Address("line2", 1), Address("line3", 2), Address("line4", 3),
        Level("volume1", 0, kChannel1), Level("volume2", 1, kChannel2),
        Level("volume3", 2, kChannel3), Level("volume4", 3, kChannel4)}},
  };
  return Catalogue(std::move(kinds), {kTally, kStudio, kDeviceAddress});
}

}  // namespace

const SettingEntry* KindEntry::Find(std::string_view settingName) const {
  for (const SettingEntry& setting : settings) {
    if (settingName == setting.name) return &setting;
  }
  return nullptr;
}

Catalogue::Catalogue(std::vector<KindEntry> kinds, std::vector<SettingEntry> common)
    : kinds_(std::move(kinds)), common_(std::move(common)) {}

const KindEntry* Catalogue::Find(DeviceKind kind) const {
  for (const KindEntry& entry : kinds_) {
    if (entry.kind == kind) return &entry;
  }
  return nullptr;
}

const KindEntry* Catalogue::FindByName(std::string_view name) const {
  for (const KindEntry& entry : kinds_) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

const SettingEntry* Catalogue::Common(CommandCode command) const {
  for (const SettingEntry& setting : common_) {
    if (setting.read == command) return &setting;
  }
  return nullptr;
}

const SettingEntry* Catalogue::FindLevelChannel(int32_t channel) const {
  for (const KindEntry& entry : kinds_) {
    for (const SettingEntry& setting : entry.settings) {
      if (setting.encoding == Encoding::Level && setting.channel == channel) return &setting;
    }
  }
  return nullptr;
}

std::string Catalogue::KindName(DeviceKind kind) const {
  const KindEntry* entry = Find(kind);
  return entry != nullptr ? entry->name : "";
}

bool Catalogue::IsSettingName(std::string_view name) const {
  for (const KindEntry& entry : kinds_) {
    if (entry.Find(name) != nullptr) return true;
  }
  return false;
}

std::string Catalogue::Describe(DeviceKind kind) const {
  std::string text;
  const KindEntry* entry = Find(kind);
  if (entry == nullptr) return text;
  for (const SettingEntry& setting : entry->settings) {
    if (!text.empty()) text += ", ";
    text += std::string(setting.name) + " " + std::to_string(setting.low) + ".." +
            std::to_string(setting.high);
  }
  return text;
}

const Catalogue& StandardCatalogue() {
  static const Catalogue catalogue = MakeStandard();
  return catalogue;
}

}  // namespace intercom
