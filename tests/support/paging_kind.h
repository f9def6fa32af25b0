// A made-up fifth kind, "paging" (called "paging panel"): three zone addresses, a gain level and the
// Tally input, in a copy of the catalogue. It shows that a kind needs its
// catalogue record (and, for the window, its page description) and nothing
// else.
#pragma once

#include <algorithm>
#include <optional>

#include "protocol/device_catalogue.h"
#include "sim/device_model.h"
#include "tests/support/fake_serial_port.h"

namespace intercom::testing {

inline constexpr auto kPaging = static_cast<DeviceKind>(5);

inline Catalogue WithPagingKind() {
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

// What the simulated device answers to one written frame, as a fake port's
// responder wants it.
inline std::optional<Bytes> AnswerOf(DeviceModel& device, const Bytes& frame) {
  RequestFrame request{};
  std::copy_n(frame.begin(), request.size(), request.begin());
  const auto reply = device.Answer(request);
  if (!reply) return std::nullopt;
  return Bytes(reply->begin(), reply->end());
}

}  // namespace intercom::testing
