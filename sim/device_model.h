// The simulated device itself: the codes it stores and the reply it gives to
// each request, both taken from the catalogue of kinds. No I/O and no clock, so
// the rules can be checked in isolation.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "protocol/device_catalogue.h"
#include "protocol/frames.h"

namespace intercom {

// The value a freshly powered device holds for a setting:
//   every kind: device address 5, studio mode off, Tally input 7;
//   subscriber set: keys 1..10 hold addresses 1..10;
//   splitter: address 3, input levels at slider positions 2, 4, 6, 8;
//   belt pack: address 7, volume at position 2;
//   switch: lines 11..14, phone volumes at positions 1, 2, 3, 4.
// Any other kind: addresses and levels at their payload byte + 1.
int32_t InitialValue(const KindEntry& kind, const SettingEntry& setting);

class DeviceModel {
 public:
  // `kind` must be in `catalogue`, which must outlive the model (throws
  // std::invalid_argument otherwise). With `reportsStudioReset` the device
  // answers ReadStudioMode with 255 whatever was written.
  explicit DeviceModel(DeviceKind kind, bool reportsStudioReset = false,
                       const Catalogue& catalogue = StandardCatalogue());

  // The reply to one request, applying any write it carries. No reply when the
  // request lacks the sync bytes, names another kind or carries an unknown
  // command, as a real device on a shared line keeps quiet then.
  std::optional<ReplyFrame> Answer(const RequestFrame& request);

  DeviceKind Kind() const { return kind_; }
  // The raw code stored for a setting of this kind (or one every kind has:
  // "tally", "studio", "device_address"), exactly as written; 0 for a name it
  // does not have.
  uint8_t Code(std::string_view setting) const;

 private:
  // The payload of the reply; applies writes to the stored codes.
  Payload Apply(CommandCode command, const Payload& in);

  DeviceKind kind_;
  bool reportsStudioReset_;
  // The kind's settings and the ones every kind has.
  std::vector<const SettingEntry*> settings_;
  // Reply payload by the read command that carries it.
  std::map<CommandCode, Payload> stored_;
};

}  // namespace intercom
