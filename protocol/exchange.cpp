#include "protocol/exchange.h"

namespace intercom {

void Exchange(Session& session, const std::function<void()>& interpretReply) {
  SessionState& state = session.state;
  state.ReplyBuffer.fill(0);
  session.port.Purge();
  session.pause(50);

  size_t written = 0;
  if (!session.port.Write(state.RequestBuffer.data(), state.RequestBuffer.size(), written)) {
    session.panel.ShowNotice("Can't write to port: " + std::to_string(session.port.LastError()));
  }
  session.pause(100);

  // Bytes that never arrive stay 0, so a short reply reads as zeros after its end.
  size_t received = 0;
  if (!session.port.Read(state.ReplyBuffer.data(), state.ReplyBuffer.size(), received)) {
    // Whatever arrived before the line failed is not a reply: the trace and
    // the classification see the zeroed buffer, which reads as no answer.
    state.ReplyBuffer.fill(0);
    session.panel.ShowNotice("Can't read from port: " + std::to_string(session.port.LastError()));
  }

  TextField& trace = session.panel.Edit13;
  trace.Append(HexTrace(state.ReplyBuffer.data(), kReplyLength - 1));

  if (state.ReplyBuffer[0] == 0x00) {
    state.NoAnswer = true;
  } else if (state.ReplyBuffer[0] == kFrameSync0 && state.ReplyBuffer[1] == kFrameSync1) {
    if (interpretReply) interpretReply();
  } else {
    session.panel.ShowNotice("Ошибка синхронизации.");
  }
}

}  // namespace intercom
