// The program-wide record shared by the serial link, the protocol and the
// layers above them. Zero at start; one per session, no lock.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/frames.h"

namespace intercom {

struct SessionState {
  // The port name exactly as chosen (COM.ini or the port dialog); the open port
  // itself lives in the session's SerialPort.
  std::string PortName;
  // A DeviceKind value; written only by the discovery.
  int32_t CurrentDevice = 0;
  // A CommandCode value; set by every sender right before SendCommand.
  uint8_t CurrentCommand = 0;
  // Set by the exchange when reply byte 0 is 0x00; cleared by SendCommand for a reply in step.
  bool NoAnswer = false;
  RequestFrame RequestBuffer{};
  // Kept from one request to the next: bytes a command does not write go out as left.
  Payload PayloadBuffer{};
  ReplyFrame ReplyBuffer{};
  int32_t LevelChannel = 0;
  int32_t LevelValue = 0;

  // Set by the start-up before the first exchange.
  int32_t LevelBase = 0;
  int32_t LevelStep = 0;
  int32_t LevelMax = 0;
  uint8_t PayloadLength = 0;

  DeviceKind Device() const { return static_cast<DeviceKind>(CurrentDevice); }
  CommandCode Command() const { return static_cast<CommandCode>(CurrentCommand); }
  // Reply payload byte i (frame offset 5 + i).
  uint8_t ReplyByte(int i) const { return ReplyBuffer[static_cast<size_t>(kPayloadOffset + i)]; }
};

}  // namespace intercom
