// Ways the simulated device breaks the protocol, to drive the tool's error
// paths, and the device model seen through them. No I/O and no clock: the pty
// loop sends what comes out, after `lateMs`.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/device_catalogue.h"
#include "protocol/frames.h"
#include "sim/device_model.h"

namespace intercom {

struct Misbehaviour {
  // The line hands back every byte the tool sends, before any reply, as many
  // two-wire RS-485 adapters do; the pty loop does it, with or without a reply.
  bool echo = false;
  bool silent = false;            // takes requests, never answers
  bool outOfSync = false;         // replies begin E4 E2 instead of E2 E4
  int replyBytes = kReplyLength;  // only the first 0..16 bytes of each reply go out
  // Only the first 0..16 bytes of the replies to these commands go out, in
  // place of replyBytes.
  std::map<CommandCode, int> commandReplyBytes;
  int lateMs = 0;  // each reply goes out this many ms after its request
  // Answers this many requests, then hears and answers nothing more, like a
  // pulled cable. None: for ever.
  std::optional<int> vanishAfter;
  // A WriteSettings to this kind that re-sends the kind's last address byte
  // as the previous WriteSettings to it had it (a write of the whole payload
  // again, or of another field) is applied with bit 0 of that byte flipped.
  // Kinds without addresses in WriteSettings are spared.
  bool corruptResend = false;
};

// "CMD:N" of --truncate-command: CMD a command's name as CommandName spells it
// (ReadSettings) or its number 1..11, N a byte count 0..16. Nothing when the
// text is not that.
std::optional<std::pair<CommandCode, int>> ParseCommandBytes(std::string_view text);

// What the device does with one request.
struct Response {
  std::optional<std::vector<uint8_t>> reply;  // the bytes to send; none: stays quiet
  std::vector<std::string> notes;             // why, for the log
};

class MisbehavingDevice {
 public:
  // `model` must outlive the object; `catalogue` is the one it was made with.
  MisbehavingDevice(DeviceModel& model, Misbehaviour misbehaviour,
                    const Catalogue& catalogue = StandardCatalogue());

  // The model's answer to `request`, shaped by the misbehaviour.
  Response Answer(const RequestFrame& request);

 private:
  DeviceModel& model_;
  Misbehaviour misbehaviour_;
  int resendByte_ = -1;  // the payload byte a re-sent write gets wrong; -1: none
  std::optional<Payload> lastWrite_;
  int answered_ = 0;
};

}  // namespace intercom
