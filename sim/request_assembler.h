// Cuts requests out of the byte stream that arrives from the tool: bytes before
// a sync are junk, a request is the 15 bytes from its sync on, and a partial
// request that stays incomplete too long is given up so that a half-sent frame
// cannot swallow the start of the next one.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "protocol/frames.h"

namespace intercom {

class RequestAssembler {
 public:
  using Clock = std::chrono::steady_clock;
  // A partial request is dropped once its first byte is this old.
  static constexpr std::chrono::milliseconds kPartialLifetime{100};

  // Takes `count` bytes received at `now`; returns the requests they complete, in order.
  std::vector<RequestFrame> Feed(const uint8_t* data, size_t count, Clock::time_point now);

  // Drops the partial request if it has outlived kPartialLifetime at `now`;
  // returns how many bytes were dropped.
  size_t DropStale(Clock::time_point now);

  // When the pending partial request turns stale; nothing when none is pending.
  std::optional<Clock::time_point> StaleAt() const;

  // Junk bytes skipped since the last call.
  size_t TakeSkipped();

 private:
  std::vector<uint8_t> pending_;
  Clock::time_point pendingSince_{};
  size_t skipped_ = 0;
};

}  // namespace intercom
