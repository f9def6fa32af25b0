#include "protocol/exchange.h"

#include <string>

namespace intercom {

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
  if (!line.port.Read(state.ReplyBuffer.data(), state.ReplyBuffer.size(), received)) {
    // Whatever arrived before the line failed is not a reply: the trace and
    // the classification see the zeroed buffer, which reads as no answer.
    state.ReplyBuffer.fill(0);
    received = 0;
    outcome.readError = line.port.LastError();
    line.observer.Notice("Can't read from port: " + std::to_string(outcome.readError));
  }
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
