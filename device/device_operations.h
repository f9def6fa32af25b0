// The operations on a connected device, written once for every front end:
// each is the exact sequence of requests and pauses the device expects, and
// returns what came of every exchange. A front end follows along through
// ExchangeEvents, a discovery also through DiscoveryEvents (the window updates
// its controls there, at the moment each reply arrives), and reads the
// outcomes afterwards.
#pragma once

#include <cstddef>
#include <vector>

#include "protocol/device_line.h"
#include "protocol/exchange.h"

namespace intercom {

// What a front end hears of every exchange of an operation.
class ExchangeEvents {
 public:
  virtual ~ExchangeEvents() = default;
  // A reply in step, decoded, before anything after it is sent. May send
  // requests itself.
  virtual void Replied(const ExchangeOutcome& /*outcome*/) {}
  // Every exchange once it is over, whatever came of it (after Replied and
  // anything sent from there).
  virtual void Exchanged(const ExchangeOutcome& /*outcome*/) {}
};

// What a front end hears of a discovery besides its exchanges.
class DiscoveryEvents : public ExchangeEvents {
 public:
  // Before the first probe.
  virtual void DiscoveryStarted() {}
  // Probe number `index` (0 first) has had its exchange; the pause after it
  // follows.
  virtual void Probed(size_t /*index*/) {}
  // `kind` answered its probe; its reads follow.
  virtual void Found(const KindEntry& /*kind*/) {}
  // The reads of `kind` are done.
  virtual void ReadsDone(const KindEntry& /*kind*/) {}
  // No kind answered.
  virtual void NoneFound() {}
};

// Follows nothing.
class NoDeviceEvents : public DiscoveryEvents {};

struct Discovery {
  // The kind that answered, or null.
  const KindEntry* kind = nullptr;
  std::vector<ExchangeOutcome> probes;
  // The reads after the answered probe, in order.
  std::vector<ExchangeOutcome> reads;
  // What the reads that came back whole decoded, in the order they came: a
  // reply cut short or of another kind is no value.
  DeviceSettings settings;
};

// Probes the catalogue's kinds in order (Pause(50) after every probe but the
// last), stops at the first that answers (NoAnswer clear after its probe; a
// reply out of step counts as the exchange before it did) and sends that
// kind's reads. CurrentDevice keeps the kind found, or the last probed.
Discovery Discover(const DeviceLine& line, DiscoveryEvents& events);

// "Считать настройки": ReadSettings, Pause(50), ReadTallyAddress, whatever the kind.
std::vector<ExchangeOutcome> ReadAddresses(const DeviceLine& line, ExchangeEvents& events);

// "Записать настройки": the write steps of CurrentDevice's kind, each request
// carrying the values of `values` it writes (the rest of its bytes go out as
// left). Nothing is sent for a kind not in the catalogue.
std::vector<ExchangeOutcome> WriteSettings(const DeviceLine& line, const DeviceSettings& values,
                                           ExchangeEvents& events);

// One SetLevel with the level's channel and `position` on the state's level scale.
ExchangeOutcome SetLevel(const DeviceLine& line, const SettingEntry& level, int32_t position,
                         ExchangeEvents& events);

// WriteStudioMode with the flag on or off.
ExchangeOutcome WriteStudioMode(const DeviceLine& line, bool on, ExchangeEvents& events);

// WriteDeviceAddress with `address` (1..32; the caller checks).
ExchangeOutcome WriteDeviceAddress(const DeviceLine& line, int32_t address, ExchangeEvents& events);

// "Test": one Probe.
ExchangeOutcome Test(const DeviceLine& line, ExchangeEvents& events);

}  // namespace intercom
