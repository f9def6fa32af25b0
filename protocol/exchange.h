// One request/reply transaction on the line and what came of it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/device_line.h"
#include "protocol/device_settings.h"

namespace intercom {

// What the reply buffer held after the read.
enum class ReplyStatus {
  Whole,      // 16 bytes in step (beginning E2 E4)
  Cut,        // in step, but fewer than 16 bytes arrived; the rest read as 0
  Missing,    // byte 0 is 0x00: nothing arrived, the read failed, or junk after a 00
  OutOfSync,  // something else arrived
};

struct ExchangeOutcome {
  CommandCode command = CommandCode::None;
  RequestFrame request{};
  ReplyFrame reply{};
  size_t received = 0;      // bytes read; 0 after a failed read
  uint32_t writeError = 0;  // the system's code when the write failed
  uint32_t readError = 0;   // the system's code when the read failed
  ReplyStatus status = ReplyStatus::Missing;
  // Decoded from a reply in step (Whole or Cut): the settings it carries.
  DeviceSettings values;
  // A studio mode reply of 255: the device asks for its mode to be written.
  bool studioReset = false;
  // The line handed the request back before the reply (an echoing RS-485
  // adapter); `received` and `reply` then count only what followed the echo.
  bool echoed = false;

  // The reply began with the frame sync and was interpreted.
  bool InSync() const { return status == ReplyStatus::Whole || status == ReplyStatus::Cut; }
  // The request went out and the whole reply came back in step, naming the
  // kind and the command the request named (a reply of another kind or to
  // another request answers nothing).
  bool Answered() const {
    return status == ReplyStatus::Whole && writeError == 0 && readError == 0 &&
           reply[2] == request[2] && reply[3] == request[3];
  }
};

// Sends state.RequestBuffer and reads one reply into ReplyBuffer: zero the
// reply, purge, Pause(50), write, Pause(100), read 16 bytes, report the reply
// to the observer, then classify: byte 0 of 0x00 sets NoAnswer; a reply out of
// step gets the notice "Ошибка синхронизации." and leaves NoAnswer as it was.
// A failed write or read gets its notice with the error code and the exchange
// goes on; a failed read leaves the reply all zero, also when part of it had
// arrived. Blocks about 155 ms with a prompt device, about 205 ms without one.
//
// A line that echoes hands back the request's 15 bytes before the reply. When
// exactly the request's 15 bytes arrive, that is an echo with no answer: the
// observer hears of it (EchoRead) and the reply reads as nothing arrived. When
// 16 arrive whose first 15 are the request's and whose 16th is the frame sync
// E2, a second read of up to 15 bytes (the port's time-outs, about 50 ms more
// when nothing follows) tells: more bytes make the 15 an echo and the 16th plus
// those the reply (Cut when fewer than 16); none make the 16 a reply. Any other
// 16 bytes are a reply read once, so a line without echo keeps its timing. A
// failing second read is a failed read.
ExchangeOutcome Exchange(const DeviceLine& line);

}  // namespace intercom
