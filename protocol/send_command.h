// Request assembly: the one way anything reaches a device.
#pragma once

#include <functional>

#include "protocol/exchange.h"

namespace intercom {

// Called for a reply in step, decoded, before SendCommand returns; it may send
// further requests (the nested studio mode write).
using ReplyHandler = std::function<void(const ExchangeOutcome&)>;

// Lays the 15-byte request for `command` to CurrentDevice into RequestBuffer.
// The payload is the session's PayloadBuffer, kept from one request to the
// next: reads and the probe zero it, WriteDeviceAddress zeroes all but byte 0,
// and the writes put the values of `values` they carry into their bytes
// (addresses at their payload byte, the Tally input after its marker, the
// level's channel and byte, the studio flag); every other byte goes out as the
// previous request left it. A SetLevel also records LevelChannel and LevelValue.
void AssembleRequest(const DeviceLine& line, CommandCode command, const DeviceSettings& values);

// Records `command` in CurrentCommand, assembles the request, tells the
// observer, runs one Exchange and, for a reply in step, decodes it
// (InterpretReply), clears NoAnswer, runs `onReply` and clears NoAnswer again.
ExchangeOutcome SendCommand(const DeviceLine& line, CommandCode command,
                            const DeviceSettings& values = {}, const ReplyHandler& onReply = {});

}  // namespace intercom
