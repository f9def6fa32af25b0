// What the binding shows of a reply, where the windows differ.
#include "tests/controller/controller_fixture.h"

namespace intercom::testing {
namespace {

class PanelBindingTest : public ControllerTest {};

TEST_F(PanelBindingTest, ADeviceAddressOfZeroLeavesTheAddressDialogsField) {
  DeviceModel device(DeviceKind::SubscriberSet);
  port.responder = [&device](const Bytes& frame) -> std::optional<Bytes> {
    if (frame.at(3) == static_cast<uint8_t>(CommandCode::ReadDeviceAddress)) {
      return Reply(frame.at(2), static_cast<uint8_t>(CommandCode::ReadDeviceAddress), {0});
    }
    return AnswerOf(device, frame);
  };
  panel.Form3.Edit1.SetText("9");

  panel.BitBtn19.Click();

  ASSERT_EQ(context.state.Device(), DeviceKind::SubscriberSet);
  EXPECT_EQ(panel.Edit11.Text(), "0");
  EXPECT_EQ(panel.Form3.Edit1.Text(), "9");
}

}  // namespace
}  // namespace intercom::testing
