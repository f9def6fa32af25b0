// One request/reply transaction on the line.
#pragma once

#include <functional>

#include "protocol/session.h"

namespace intercom {

// Sends session.state.RequestBuffer and reads one reply into ReplyBuffer:
// zero the reply, purge, Pause(50), write, Pause(100), read 16 bytes, append
// reply bytes 0..14 to the reply trace (Edit13), then classify:
//   byte 0 is 0x00       -> NoAnswer := true, no message;
//   bytes 0..1 are E2 E4 -> interpretReply() (which owns NoAnswer from here);
//   anything else        -> notice "Ошибка синхронизации.", NoAnswer unchanged.
// A failed write or read shows its notice with the error code and goes on; a
// failed read leaves the reply all zero, also when part of it had arrived.
// Blocks about 155 ms with a prompt device, about 205 ms without one.
void Exchange(Session& session, const std::function<void()>& interpretReply);

}  // namespace intercom
