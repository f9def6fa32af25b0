#include "protocol/exchange.h"

#include <algorithm>
#include <string>

namespace intercom {
namespace {

// The line handed the request back: what arrived begins with all its bytes.
bool BeginsWithRequest(const SessionState& state, size_t received) {
  return received >= state.RequestBuffer.size() &&
         std::equal(state.RequestBuffer.begin(), state.RequestBuffer.end(),
                    state.ReplyBuffer.begin());
}

}  // namespace

ExchangeOutcome Exchange(const DeviceLine& line) {
  SessionState& state = line.state;
  ExchangeOutcome outcome;
  outcome.command = state.Command();
  outcome.request = state.RequestBuffer;

  state.ReplyBuffer.fill(0);
  line.port.Purge();
  line.pause(50);

  size_t written = 0;
  if (!line.port.Write(state.RequestBuffer.data(), state.RequestBuffer.size(), written)) {
    outcome.writeError = line.port.LastError();
    line.observer.Notice("Can't write to port: " + std::to_string(outcome.writeError));
  }
  line.pause(100);

  // Bytes that never arrive stay 0, so a short reply reads as zeros after its end.
  size_t received = 0;
  bool read = line.port.Read(state.ReplyBuffer.data(), state.ReplyBuffer.size(), received);
  if (read && BeginsWithRequest(state, received)) {
    if (received == state.RequestBuffer.size()) {
      // The echo and nothing after it: no device answered.
      outcome.echoed = true;
      state.ReplyBuffer.fill(0);
      received = 0;
    } else if (state.ReplyBuffer[state.RequestBuffer.size()] == kFrameSync0) {
      // A reply whose payload repeats the request's and ends in the frame
      // sync, or the echo and the first byte of a reply: only bytes still
      // coming can tell them apart.
      RequestFrame rest{};
      size_t more = 0;
      read = line.port.Read(rest.data(), rest.size(), more);
      if (read && more > 0) {
        outcome.echoed = true;
        const uint8_t first = state.ReplyBuffer[state.RequestBuffer.size()];
        state.ReplyBuffer.fill(0);
        state.ReplyBuffer[0] = first;
        std::copy_n(rest.begin(), more, state.ReplyBuffer.begin() + 1);
        received = 1 + more;
      }
    }
  }
  if (!read) {
    // Whatever arrived before the line failed is not a reply: the trace and
    // the classification see the zeroed buffer, which reads as no answer.
    state.ReplyBuffer.fill(0);
    received = 0;
    outcome.readError = line.port.LastError();
    line.observer.Notice("Can't read from port: " + std::to_string(outcome.readError));
  }
  if (outcome.echoed) line.observer.EchoRead(state.RequestBuffer);
  outcome.received = received;
  outcome.reply = state.ReplyBuffer;
  line.observer.ReplyRead(state.ReplyBuffer);

  if (state.ReplyBuffer[0] == 0x00) {
    state.NoAnswer = true;
    outcome.status = ReplyStatus::Missing;
  } else if (state.ReplyBuffer[0] == kFrameSync0 && state.ReplyBuffer[1] == kFrameSync1) {
    outcome.status =
        received >= static_cast<size_t>(kReplyLength) ? ReplyStatus::Whole : ReplyStatus::Cut;
  } else {
    outcome.status = ReplyStatus::OutOfSync;
    line.observer.Notice("Ошибка синхронизации.");
  }
  return outcome;
}

}  // namespace intercom
