// The made-up fifth kind in the native windows: with its catalogue record and
// its page description added and nothing else, the start-up finds the
// simulated device, shows its page with the values read, and its "+" sends
// the step to the device.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/paging_page.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/recording_pause.h"
#include "tests/support/temp_dir.h"
#include "tests/wine/views_fixture.h"

namespace intercom::testing {
namespace {

class FifthKindWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartComAndControls());
    ASSERT_FALSE(scratch.empty());
    std::ofstream(scratch / "COM.ini", std::ios::binary) << "COM5\r\n";
    context.portChoicePath = (scratch / "COM.ini").string();
    context.programSettingsPath = (scratch / "intercom-config.ini").string();
    context.listPorts = [] { return std::vector<std::string>{"COM5"}; };
    port.responder = [this](const Bytes& frame) { return AnswerOf(device, frame); };
    BindHandlers(context);
    // In the program's order: the start-up, then the windows over its outcome.
    panel.Form1.Show();
    views = std::make_unique<Win32Views>(panel);
    views->RefreshAll();
  }
  void TearDown() override {
    views.reset();
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    CoUninitialize();
  }

  HWND Control(std::string_view name) const { return MainWindowControl(*views, name); }

  const std::filesystem::path scratch = MakeTempDir("intercom-fifth-kind");
  const Catalogue catalogue = WithPagingKind();
  const PanelDescription description = WithPagingPage();
  DeviceModel device{kPaging, false, catalogue};
  RecordingMessageBoxes boxes;
  PanelModel panel{boxes, "intercom-config", description};
  FakeSerialPort port;
  RecordingPause pauses;
  ProgramContext context{panel, port, pauses.AsPause(), catalogue};
  std::unique_ptr<Win32Views> views;
};

std::string TabText(HWND tabs, int index) {
  wchar_t text[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
  return Narrow(text);
}

int SliderAt(HWND bar) {
  return static_cast<int>(SendMessageW(bar, TBM_GETPOS, 0, 0));
}

TEST_F(FifthKindWindow, StartUpShowsItsPageWithTheValuesReadAndItsPlusSendsTheStep) {
  ASSERT_TRUE(IsWindowVisible(views->Form1().Handle()));
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;

  const HWND tabs = Control("PageControl1");
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(TabText(tabs, 4), "Оповещение");
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 4);
  for (int page = 1; page <= 5; ++page) {
    const std::string name = "TabSheet" + std::to_string(page);
    EXPECT_EQ(IsWindowVisible(Control(name)) != FALSE, page == 5) << name;
  }
  EXPECT_TRUE(IsWindowEnabled(Control("GroupBox8")));
  const char* zones[] = {"Edit40", "Edit41", "Edit42"};
  for (int n = 0; n < 3; ++n) {
    const HWND zone = Control(zones[n]);
    EXPECT_TRUE(IsWindowVisible(zone)) << zones[n];
    EXPECT_EQ(Text(zone), std::to_string(n + 1)) << zones[n];
  }
  EXPECT_EQ(Text(Control("Edit43")), "7");
  const HWND gain = Control("TrackBar20");
  EXPECT_EQ(SliderAt(gain), 2);

  port.writes.clear();
  SendMessageW(Control("BitBtn60"), BM_CLICK, 0, 0);
  ASSERT_EQ(port.writes.size(), 1u);
  // SetLevel to the paging device: channel 44, position 3 as level 32 + 3 * 14.
  const Bytes setLevel = {0xE2, 0xE4, 5, 6, 10, 44, 74, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(port.writes[0], setLevel);
  EXPECT_EQ(SliderAt(gain), 3);
  EXPECT_EQ(device.Code("gain"), 74);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
}

}  // namespace
}  // namespace intercom::testing
