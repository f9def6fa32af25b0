#include "tests/controller/controller_fixture.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::ControllerTest;
using testing::Sent;
using testing::Steps;
using enum CommandCode;

struct Slider {
  int trackBar;
  int minus;
  int plus;
  uint8_t channel;
};

const Slider kSliders[] = {
    {1, 8, 7, 42},   {2, 10, 9, 44},  {3, 12, 11, 46}, {4, 6, 13, 48},  {5, 16, 15, 26},
    {6, 14, 17, 42}, {7, 20, 21, 44}, {8, 22, 23, 46}, {9, 24, 25, 48},
};

class LevelAdjustmentTest : public ControllerTest {
 protected:
  void Plus(int trackBar) { panel.BitBtnAt(SliderOf(trackBar).plus).Click(); }
  void Minus(int trackBar) { panel.BitBtnAt(SliderOf(trackBar).minus).Click(); }
  static const Slider& SliderOf(int trackBar) { return kSliders[trackBar - 1]; }
  // Channel and level of the last SetLevel.
  Bytes LastLevel() const {
    const Bytes payload = PayloadOf(-1);
    return Bytes(payload.begin(), payload.begin() + 2);
  }
};

TEST_F(LevelAdjustmentTest, PlusAndMinusStepEverySliderAndSendItsChannel) {
  context.state.CurrentDevice = 2;
  for (const Slider& slider : kSliders) {
    SCOPED_TRACE("TrackBar" + std::to_string(slider.trackBar));
    TrackBar& bar = panel.TrackBarAt(slider.trackBar);
    bar.SetPosition(3);
    ForgetTraffic();

    panel.BitBtnAt(slider.plus).Click();

    EXPECT_EQ(bar.Position(), 4);
    EXPECT_EQ(Timeline(), Steps{Sent(SetLevel, 2)});
    EXPECT_EQ(LastLevel(), (Bytes{slider.channel, 88}));

    panel.BitBtnAt(slider.minus).Click();

    EXPECT_EQ(bar.Position(), 3);
    EXPECT_EQ(Timeline(), (Steps{Sent(SetLevel, 2), Sent(SetLevel, 2)}));
    EXPECT_EQ(LastLevel(), (Bytes{slider.channel, 74}));
  }
}

TEST_F(LevelAdjustmentTest, BeltPackVolumeThatWasNeverReadStepsFromTwo) {
  Plus(5);

  EXPECT_EQ(panel.TrackBar5.Position(), 3);
  EXPECT_EQ(LastLevel(), (Bytes{26, 0x4A}));

  Minus(5);
  Minus(5);

  EXPECT_EQ(panel.TrackBar5.Position(), 1);
  EXPECT_EQ(LastLevel(), (Bytes{26, 0x2E}));
}

TEST_F(LevelAdjustmentTest, TopStepSendsTheCappedLevelAndTheStepDownFromItIsRegular) {
  panel.TrackBar5.SetPosition(15);

  Plus(5);

  EXPECT_EQ(panel.TrackBar5.Position(), 16);
  EXPECT_EQ(LastLevel(), (Bytes{26, 255}));

  Minus(5);

  EXPECT_EQ(panel.TrackBar5.Position(), 15);
  EXPECT_EQ(LastLevel(), (Bytes{26, 242}));
}

TEST_F(LevelAdjustmentTest, PlusAtTheTopAndMinusAtZeroDoNothing) {
  panel.TrackBar3.SetPosition(16);
  Plus(3);
  panel.TrackBar8.SetPosition(0);
  Minus(8);

  EXPECT_EQ(panel.TrackBar3.Position(), 16);
  EXPECT_EQ(panel.TrackBar8.Position(), 0);
  EXPECT_TRUE(port.writes.empty());
  EXPECT_TRUE(pauses.delays.empty());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LevelAdjustmentTest, ASliderAtTheTopDoesNotStopTheOthers) {
  panel.TrackBar5.SetPosition(15);
  Plus(5);
  ASSERT_EQ(LastLevel(), (Bytes{26, 255}));
  panel.TrackBar1.SetPosition(3);
  ForgetTraffic();

  Plus(1);

  EXPECT_EQ(panel.TrackBar1.Position(), 4);
  EXPECT_EQ(Commands(), std::vector<CommandCode>{SetLevel});
  EXPECT_EQ(LastLevel(), (Bytes{42, 88}));
}

TEST_F(LevelAdjustmentTest, PayloadBeyondChannelAndLevelIsWhatThePreviousRequestLeft) {
  context.state.CurrentDevice = 1;
  for (int n = 1; n <= 10; ++n) panel.EditAt(n).SetText(std::to_string(n));
  panel.BitBtn2.Click();
  const Bytes before = PayloadOf(-1);
  ASSERT_EQ(before.at(9), 0x29);

  Plus(6);

  const Bytes after = PayloadOf(-1);
  EXPECT_EQ(Bytes(after.begin() + 2, after.end()), Bytes(before.begin() + 2, before.end()));
}

TEST_F(LevelAdjustmentTest, SliderStaysMovedWhenTheDeviceIsSilent) {
  context.state.CurrentDevice = 2;

  Plus(2);

  EXPECT_TRUE(context.state.NoAnswer);
  EXPECT_EQ(panel.TrackBar2.Position(), 1);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LevelAdjustmentTest, SwitchButtonsSendToWhateverKindIsConnected) {
  DeviceModel set(DeviceKind::SubscriberSet);
  Attach(set);
  panel.BitBtn19.Click();
  ForgetTraffic();

  Plus(7);

  EXPECT_EQ(Timeline(), Steps{Sent(SetLevel, 1)});
  EXPECT_EQ(LastLevel(), (Bytes{44, 46}));
}

TEST_F(LevelAdjustmentTest, ConnectedSplitterTakesTheNewLevel) {
  DeviceModel splitter(DeviceKind::Splitter);
  Attach(splitter);
  panel.BitBtn19.Click();
  ASSERT_EQ(panel.TrackBar2.Position(), 4);

  Plus(2);

  EXPECT_EQ(splitter.Code("input2"), 102);
  EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace intercom
