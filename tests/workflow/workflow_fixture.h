// A session on fakes with every handler bound, the level constants set as the
// start-up sets them, and helpers to look at the frames that went out.
#pragma once

#include <optional>

#include "sim/device_model.h"
#include "tests/serial/session_fixture.h"
#include "workflow/handlers.h"

namespace intercom::testing {

class WorkflowTest : public SessionTest {
 protected:
  void SetUp() override {
    BindHandlers(session);
    session.state.LevelBase = 32;
    session.state.LevelStep = 14;
    session.state.LevelMax = 255;
    session.listPorts = [] { return std::vector<std::string>{}; };
    port.Open("/dev/ttyUSB0");
  }

  // Lets a simulated device answer every request from now on.
  void Attach(DeviceModel& device) {
    port.responder = [&device](const Bytes& frame) -> std::optional<Bytes> {
      RequestFrame request{};
      std::copy_n(frame.begin(), std::min(frame.size(), request.size()), request.begin());
      const std::optional<ReplyFrame> reply = device.Answer(request);
      if (!reply) return std::nullopt;
      return Bytes(reply->begin(), reply->end());
    };
  }

  // The command byte of every frame written so far.
  std::vector<CommandCode> Commands() const {
    std::vector<CommandCode> commands;
    for (const Bytes& frame : port.writes) commands.push_back(static_cast<CommandCode>(frame.at(3)));
    return commands;
  }
  // The kind byte of every frame written so far.
  std::vector<int> Kinds() const {
    std::vector<int> kinds;
    for (const Bytes& frame : port.writes) kinds.push_back(frame.at(2));
    return kinds;
  }
  // The ten payload bytes of the frame written `index`-th (negative: from the end).
  Bytes PayloadOf(int index) const {
    const Bytes& frame = port.writes.at(static_cast<size_t>(
        index < 0 ? static_cast<int>(port.writes.size()) + index : index));
    return Bytes(frame.begin() + kPayloadOffset, frame.end());
  }
  void ForgetTraffic() {
    port.writes.clear();
    pauses.delays.clear();
    boxes.shown.clear();
  }
};

}  // namespace intercom::testing
