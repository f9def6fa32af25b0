#include "device/device_operations.h"

#include "protocol/send_command.h"

namespace intercom {
namespace {

// Every request of an operation goes through here: the events hear each reply
// in step, and a studio mode reply of 255 is answered with the mode off.
ExchangeOutcome Send(const DeviceLine& line, CommandCode command, ExchangeEvents& events,
                     const DeviceSettings& values = {}) {
  ExchangeOutcome outcome =
      SendCommand(line, command, values, [&line, &events](const ExchangeOutcome& inSync) {
        events.Replied(inSync);
        if (inSync.studioReset) WriteStudioMode(line, false, events);
      });
  events.Exchanged(outcome);
  return outcome;
}

}  // namespace

Discovery Discover(const DeviceLine& line, DiscoveryEvents& events) {
  Discovery discovery;
  const std::vector<KindEntry>& kinds = line.catalogue.Kinds();
  events.DiscoveryStarted();
  for (size_t i = 0; i < kinds.size(); ++i) {
    const KindEntry& kind = kinds[i];
    line.state.CurrentDevice = static_cast<int32_t>(kind.kind);
    discovery.probes.push_back(Send(line, CommandCode::Probe, events));
    events.Probed(i);
    if (i + 1 < kinds.size()) line.pause(50);
    // NoAnswer is not reset before a probe: a reply out of sync counts as the
    // exchange before it did.
    if (line.state.NoAnswer) continue;
    discovery.kind = &kind;
    discovery.settings.kind = kind.kind;
    events.Found(kind);
    for (CommandCode read : kind.discoveryReads) {
      discovery.reads.push_back(Send(line, read, events));
      if (!discovery.reads.back().Answered()) continue;
      for (const SettingValue& v : discovery.reads.back().values.values) {
        discovery.settings.Set(*v.setting, v.value);
      }
    }
    events.ReadsDone(kind);
    return discovery;
  }
  events.NoneFound();
  return discovery;
}

std::vector<ExchangeOutcome> ReadAddresses(const DeviceLine& line, ExchangeEvents& events) {
  std::vector<ExchangeOutcome> outcomes;
  outcomes.push_back(Send(line, CommandCode::ReadSettings, events));
  line.pause(50);
  outcomes.push_back(Send(line, CommandCode::ReadTallyAddress, events));
  return outcomes;
}

std::vector<ExchangeOutcome> WriteSettings(const DeviceLine& line, const DeviceSettings& values,
                                           ExchangeEvents& events) {
  std::vector<ExchangeOutcome> outcomes;
  const KindEntry* kind = line.catalogue.Find(line.state.Device());
  if (kind == nullptr) return outcomes;
  for (const SequenceStep& step : kind->writeSteps) {
    outcomes.push_back(Send(line, step.command, events, values));
    if (step.pauseAfter > 0) line.pause(step.pauseAfter);
  }
  return outcomes;
}

ExchangeOutcome SetLevel(const DeviceLine& line, const SettingEntry& level, int32_t position,
                         ExchangeEvents& events) {
  return Send(line, CommandCode::SetLevel, events, {line.state.Device(), {{&level, position}}});
}

ExchangeOutcome WriteStudioMode(const DeviceLine& line, bool on, ExchangeEvents& events) {
  const SettingEntry* studio = line.catalogue.Common(CommandCode::ReadStudioMode);
  return Send(line, CommandCode::WriteStudioMode, events,
              {line.state.Device(), {{studio, on ? 1 : 0}}});
}

ExchangeOutcome WriteDeviceAddress(const DeviceLine& line, int32_t address,
                                   ExchangeEvents& events) {
  const SettingEntry* deviceAddress = line.catalogue.Common(CommandCode::ReadDeviceAddress);
  return Send(line, CommandCode::WriteDeviceAddress, events,
              {line.state.Device(), {{deviceAddress, address}}});
}

ExchangeOutcome Test(const DeviceLine& line, ExchangeEvents& events) {
  return Send(line, CommandCode::Probe, events);
}

}  // namespace intercom
