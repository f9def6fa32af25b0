// The splitter's, belt pack's and switch's pages against a simulated device
// of each kind: discovery shows only that page, writes read back from the
// device, and the level steps reach it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/wine/views_fixture.h"

namespace intercom::testing {
namespace {

TEST_F(Splitter, StepButtonsMoveTheLevelByOne) {
  EXPECT_EQ(SendMessageW(Control("PageControl1"), TCM_GETCURSEL, 0, 0), 1);
  const HWND bar = Control("TrackBar1");
  // The level shows on a slider the user cannot drag: only the buttons move it.
  EXPECT_FALSE(IsWindowEnabled(bar));
  ASSERT_TRUE(IsWindowEnabled(Control("BitBtn7")));
  const auto before = static_cast<int>(SendMessageW(bar, TBM_GETPOS, 0, 0));
  ASSERT_EQ(before, panel_.TrackBar1.Position());
  ASSERT_LT(before, TrackBar::kMax);
  BoxAnswerer answerer(IDOK);
  Press("BitBtn7");
  EXPECT_EQ(SendMessageW(bar, TBM_GETPOS, 0, 0), before + 1);
  EXPECT_EQ(panel_.TrackBar1.Position(), before + 1);
  Press("BitBtn8");
  EXPECT_EQ(SendMessageW(bar, TBM_GETPOS, 0, 0), before);
  EXPECT_EQ(panel_.TrackBar1.Position(), before);
}

// The page `shown` is the only one in view, its tab chosen.
void ExpectOnlyPage(HWND tabs, const ControlViews& views, int shown) {
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), shown);
  for (int page = 0; page < 4; ++page) {
    const std::string name = "TabSheet" + std::to_string(page + 1);
    EXPECT_EQ(IsWindowVisible(views.Find(name)) != FALSE, page == shown) << name;
  }
}

int SliderAt(HWND bar) {
  return static_cast<int>(SendMessageW(bar, TBM_GETPOS, 0, 0));
}

TEST_F(BeltPack, DiscoveryShowsOnlyItsPageAndTheStepsReachTheDevice) {
  EXPECT_TRUE(startupBoxes_.empty());
  ExpectOnlyPage(Control("PageControl1"), views_->Form1().Views(), 2);
  // The simulated belt pack's address, volume and tally input.
  EXPECT_EQ(Text(Control("Edit15")), "7");
  EXPECT_EQ(Text(Control("Edit20")), "7");
  const HWND bar = Control("TrackBar5");
  ASSERT_EQ(SliderAt(bar), 2);

  BoxAnswerer answerer(IDOK);
  Press("BitBtn15");
  Press("BitBtn15");
  Press("BitBtn16");
  EXPECT_EQ(SliderAt(bar), 3);
  EXPECT_EQ(panel_.TrackBar5.Position(), 3);
  // "Обновить" reads the volume from the device again.
  panel_.TrackBar5.SetPosition(9);
  Press("BitBtn19");
  EXPECT_EQ(SliderAt(bar), 3);
  EXPECT_TRUE(answerer.Seen().empty());
}

TEST_F(BeltPack, WriteSendsTheSettingsAndTheDeviceReadsThemBack) {
  Type("Edit15", "21");
  Type("Edit20", "18");  // 0x11: software flow control must not eat it
  BoxAnswerer answerer(IDOK);
  Press("BitBtn2");
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(answerer.Seen()[0].text, "Новые настройки записаны.");

  Type("Edit15", "1");
  Type("Edit20", "1");
  Press("BitBtn4");
  EXPECT_EQ(Text(Control("Edit15")), "21");
  EXPECT_EQ(Text(Control("Edit20")), "18");
}

TEST_F(Switch, DiscoveryShowsOnlyItsPageAndTheStepsReachTheDevice) {
  EXPECT_TRUE(startupBoxes_.empty());
  ExpectOnlyPage(Control("PageControl1"), views_->Form1().Views(), 3);
  // The simulated switch's lines 11 to 14 at levels 1 to 4.
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(Text(Control("Edit" + std::to_string(16 + n))), std::to_string(11 + n)) << n;
    ASSERT_EQ(SliderAt(Control("TrackBar" + std::to_string(6 + n))), n + 1) << n;
  }

  BoxAnswerer answerer(IDOK);
  Press("BitBtn25");  // "+" of TrackBar9
  Press("BitBtn14");  // "-" of TrackBar6
  EXPECT_EQ(SliderAt(Control("TrackBar9")), 5);
  EXPECT_EQ(SliderAt(Control("TrackBar6")), 0);
  // "Обновить" reads the levels from the device again.
  panel_.TrackBar9.SetPosition(0);
  panel_.TrackBar6.SetPosition(9);
  Press("BitBtn19");
  EXPECT_EQ(SliderAt(Control("TrackBar9")), 5);
  EXPECT_EQ(SliderAt(Control("TrackBar6")), 0);
  EXPECT_TRUE(answerer.Seen().empty());
}

TEST_F(Switch, WriteSendsTheSettingsAndTheDeviceReadsThemBack) {
  for (int n = 16; n <= 19; ++n) Type("Edit" + std::to_string(n), std::to_string(n + 10));
  BoxAnswerer answerer(IDOK);
  Press("BitBtn2");
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(answerer.Seen()[0].text, "Новые настройки записаны.");

  for (int n = 16; n <= 19; ++n) Type("Edit" + std::to_string(n), "1");
  Press("BitBtn4");
  for (int n = 16; n <= 19; ++n) {
    EXPECT_EQ(Text(Control("Edit" + std::to_string(n))), std::to_string(n + 10)) << n;
  }
}

}  // namespace
}  // namespace intercom::testing
