// A session on fakes: recording boxes, in-memory port, recording pause.
#pragma once

#include <gtest/gtest.h>

#include "workflow/program_context.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_message_boxes.h"
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

class SessionTest : public ::testing::Test {
 protected:
  RecordingMessageBoxes boxes;
  PanelModel panel{boxes, "intercom-config"};
  FakeSerialPort port;
  RecordingPause pauses;
  ProgramContext session{panel, port, pauses.AsPause()};
};

}  // namespace intercom::testing
