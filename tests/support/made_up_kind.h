// A kind the installation does not have, for tests that show a kind is carried
// by its catalogue record alone: "paging" (wire value 5) with three addresses,
// a level and the Tally input, called "paging panel", added to a copy of the
// standard catalogue.
#pragma once

#include "protocol/device_catalogue.h"

namespace intercom::testing {

constexpr auto kPaging = static_cast<DeviceKind>(5);

inline Catalogue WithPagingPanel() {
  Catalogue catalogue = StandardCatalogue();
  const auto address = [](const char* name, int byte) {
    return SettingEntry{
        name, Encoding::Address, 0, 32, CommandCode::ReadSettings, CommandCode::WriteSettings, byte,
        0};
  };
  catalogue.Add(
      {kPaging,
       "paging",
       {CommandCode::ReadSettings, CommandCode::ReadLevels, CommandCode::ReadTallyAddress},
       {{CommandCode::WriteSettings, 50}, {CommandCode::WriteTallyAddress, 0}},
       {address("zone1", 0),
        address("zone2", 1),
        address("zone3", 2),
        {"gain", Encoding::Level, 0, 16, CommandCode::ReadLevels, CommandCode::SetLevel, 1,
         kChannel2},
        *catalogue.Common(CommandCode::ReadTallyAddress)},
       "paging panel"});
  return catalogue;
}

}  // namespace intercom::testing
