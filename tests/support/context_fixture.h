// The window's context on fakes: recording boxes, in-memory port, recording pause.
#pragma once

#include <gtest/gtest.h>

#include "controller/program_context.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/line_fixture.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/recording_pause.h"

namespace intercom::testing {

class ContextTest : public ::testing::Test {
 protected:
  RecordingMessageBoxes boxes;
  PanelModel panel{boxes, "intercom-config"};
  FakeSerialPort port;
  RecordingPause pauses;
  ProgramContext context{panel, port, pauses.AsPause()};
};

}  // namespace intercom::testing
