#include "device/port_link.h"

#include "tests/support/line_fixture.h"

namespace intercom {
namespace {

using testing::LineTest;

class PortLinkTest : public LineTest {};

TEST_F(PortLinkTest, ConfigureSetsLineAndTimeoutsKeepingOtherSettings) {
  state.PortName = "/dev/ttyS0";
  OpenPort(Line());
  ASSERT_TRUE(ConfigurePort(Line()));
  testing::ExpectDeviceLine(port.line);
  EXPECT_EQ(port.line.XonLim, 512);
  EXPECT_EQ(port.line.XoffLim, 512);
  EXPECT_EQ(port.line.Flags, 0x1234u);
  testing::ExpectDeviceTimeouts(port.timeouts);
  EXPECT_TRUE(observer.notices.empty());
}

TEST_F(PortLinkTest, FailedOpenNamesThePortAndConfigureThenFailsAtTheLineState) {
  state.PortName = "COM9";
  port.unopenable.insert("COM9");
  OpenPort(Line());
  EXPECT_FALSE(ConfigurePort(Line()));
  EXPECT_EQ(observer.notices,
            (std::vector<std::string>{"Can't open port COM9", "Can't get port state: 9"}));
}

TEST_F(PortLinkTest, EmptyNameFailsWithNothingAfterTheBlank) {
  port.unopenable.insert("");
  OpenPort(Line());
  EXPECT_EQ(observer.notices, std::vector<std::string>{"Can't open port "});
}

TEST_F(PortLinkTest, AHugeNameIsShownCutAfter256Bytes) {
  const std::string huge(1 << 20, 'n');
  state.PortName = huge;
  port.unopenable.insert(huge);
  OpenPort(Line());
  EXPECT_EQ(observer.notices,
            std::vector<std::string>{"Can't open port " + std::string(256, 'n') + "…"});
  EXPECT_EQ(state.PortName, huge) << "only the message is cut";

  EXPECT_EQ(PortNameForMessage(std::string(256, 'a')), std::string(256, 'a'));
  // Two-byte characters straddling the cut: the half character goes too.
  std::string letters = "a";
  for (int i = 0; i < 200; ++i) letters += "ж";
  EXPECT_EQ(PortNameForMessage(letters), letters.substr(0, 255) + "…");
}

TEST_F(PortLinkTest, SetStateFailureStopsBeforeTimeouts) {
  port.Open("p");
  port.failSetState = 22;
  EXPECT_FALSE(ConfigurePort(Line()));
  EXPECT_EQ(observer.notices, std::vector<std::string>{"Can't set new port settings: 22"});
  EXPECT_EQ(port.setTimeoutsCount, 0);
}

TEST_F(PortLinkTest, TimeoutFailuresAreReportedAndConfigureStillSucceeds) {
  port.Open("p");
  port.failGetTimeouts = 5;
  port.failSetTimeouts = 6;
  EXPECT_TRUE(ConfigurePort(Line()));
  EXPECT_EQ(observer.notices,
            (std::vector<std::string>{"Can't write to port: 5", "Can't write to port: 6"}));
}

TEST_F(PortLinkTest, CloseIsHarmlessWhenNothingIsOpen) {
  ClosePort(Line());
  EXPECT_EQ(port.closeCount, 0);
  port.Open("p");
  ClosePort(Line());
  ClosePort(Line());
  EXPECT_EQ(port.closeCount, 1);
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace intercom
