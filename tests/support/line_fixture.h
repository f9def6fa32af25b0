// A device line on fakes, with no window: in-memory port, recording pause and
// an observer that keeps the notices.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/device_line.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_pause.h"

namespace intercom::testing {

// The line settings and time-outs the device needs, as set by ConfigurePort.
inline void ExpectDeviceLine(const LineState& line) {
  EXPECT_EQ(line.BaudRate, 38400u);
  EXPECT_EQ(line.ByteSize, 8);
  EXPECT_EQ(line.Parity, 0);
  EXPECT_EQ(line.StopBits, 0);
}
inline void ExpectDeviceTimeouts(const CommTimeouts& timeouts) {
  EXPECT_EQ(timeouts.ReadIntervalTimeout, 10u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 50u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 1u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 0u);
}

struct RecordingObserver : ExchangeObserver {
  void RequestSent(const RequestFrame& /*request*/) override {}
  void ReplyRead(const ReplyFrame& /*reply*/) override {}
  void Notice(const std::string& text) override { notices.push_back(text); }
  std::vector<std::string> notices;
};

class LineTest : public ::testing::Test {
 protected:
  DeviceLine Line() { return {state, port, pause, observer, StandardCatalogue()}; }

  SessionState state;
  FakeSerialPort port;
  RecordingPause pauses;
  Pause pause = pauses.AsPause();
  RecordingObserver observer;
};

}  // namespace intercom::testing
