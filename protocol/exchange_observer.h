// What the protocol tells its caller while it talks to a device: each request
// as it goes out, its echo when the line hands it back, each reply as read, and the notices of a
// failing line or a reply out of step. The window shows them in its trace fields and boxes, the
// command line in its trace file and on stderr.
#pragma once

#include <string>

#include "protocol/frames.h"

namespace intercom {

class ExchangeObserver {
 public:
  virtual ~ExchangeObserver() = default;
  // The request, before it is written.
  virtual void RequestSent(const RequestFrame& request) = 0;
  // The request as the line handed it back before the reply (or instead of
  // one): an RS-485 adapter that echoes what it sends. Before ReplyRead.
  virtual void EchoRead(const RequestFrame& /*echo*/) {}
  // The reply buffer after the read: zero after the bytes that arrived, all
  // zero after a failed read.
  virtual void ReplyRead(const ReplyFrame& reply) = 0;
  // A notice in the system's words ("Can't write to port: 5", "Ошибка синхронизации.").
  virtual void Notice(const std::string& text) = 0;
};

}  // namespace intercom
