#include "sim/request_assembler.h"

#include <algorithm>
#include <utility>

namespace intercom {

namespace {

// Where the next frame may start: the first E2 E4 pair, or a lone E2 at the
// very end whose partner has not arrived yet; the size when there is neither.
size_t SyncPosition(const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != kFrameSync0) continue;
    if (i + 1 == bytes.size() || bytes[i + 1] == kFrameSync1) return i;
  }
  return bytes.size();
}

}  // namespace

std::vector<RequestFrame> RequestAssembler::Feed(const uint8_t* data, size_t count,
                                                 Clock::time_point now) {
  bool freshStart = pending_.empty();
  pending_.insert(pending_.end(), data, data + count);

  std::vector<RequestFrame> requests;
  for (;;) {
    const size_t sync = SyncPosition(pending_);
    if (sync > 0) {
      skipped_ += sync;
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(sync));
      freshStart = true;
    }
    if (pending_.size() < static_cast<size_t>(kRequestLength)) break;
    RequestFrame frame;
    std::copy_n(pending_.begin(), kRequestLength, frame.begin());
    pending_.erase(pending_.begin(), pending_.begin() + kRequestLength);
    requests.push_back(frame);
    freshStart = true;
  }
  // The age of a partial request counts from the feed that began it.
  if (freshStart && !pending_.empty()) pendingSince_ = now;
  return requests;
}

size_t RequestAssembler::DropStale(Clock::time_point now) {
  if (pending_.empty() || now - pendingSince_ < kPartialLifetime) return 0;
  const size_t dropped = pending_.size();
  pending_.clear();
  return dropped;
}

std::optional<RequestAssembler::Clock::time_point> RequestAssembler::StaleAt() const {
  if (pending_.empty()) return std::nullopt;
  return pendingSince_ + kPartialLifetime;
}

size_t RequestAssembler::TakeSkipped() {
  return std::exchange(skipped_, 0);
}

}  // namespace intercom
