// The made-up fifth kind in the Qt window: with its catalogue record and its
// page description added and nothing else, the start-up finds the simulated
// device, shows its page with the values read, and its "+" sends the step to
// the device.
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <filesystem>
#include <fstream>

#include "tests/qt/window_fixture.h"
#include "tests/support/paging_page.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/recording_pause.h"
#include "tests/support/temp_dir.h"
#include "controller/handlers.h"

namespace intercom::testing {
namespace {

class FifthKindWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch.empty());
    std::ofstream(scratch / "COM.ini", std::ios::binary) << "/dev/ttyUSB0\r\n";
    context.portChoicePath = (scratch / "COM.ini").string();
    context.programSettingsPath = (scratch / "intercom-config.ini").string();
    context.listPorts = [] { return std::vector<std::string>{"/dev/ttyUSB0"}; };
    port.responder = [this](const Bytes& frame) { return AnswerOf(device, frame); };
    BindHandlers(context);
    ObservePanel(panel, form1, form2, form3, nullptr);
  }
  void TearDown() override {
    ForgetWindows(panel);
    std::filesystem::remove_all(scratch);
  }

  template <typename W>
  W* Main(const char* name) {
    return Find<W>(&form1, name);
  }

  const std::filesystem::path scratch = MakeTempDir("intercom-fifth-kind");
  const Catalogue catalogue = WithPagingKind();
  const PanelDescription description = WithPagingPage();
  DeviceModel device{kPaging, false, catalogue};
  RecordingMessageBoxes boxes;
  PanelModel panel{boxes, "intercom-config", description};
  FakeSerialPort port;
  RecordingPause pauses;
  ProgramContext context{panel, port, pauses.AsPause(), catalogue};
  TForm1 form1{panel};
  TForm2 form2{panel, &form1};
  TForm3 form3{panel, &form1};
};

TEST_F(FifthKindWindow, StartUpShowsItsPageWithTheValuesReadAndItsPlusSendsTheStep) {
  panel.Form1.Show();
  ASSERT_TRUE(form1.isVisible());
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;

  auto* pages = Main<QTabWidget>("PageControl1");
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->tabText(4), QStringLiteral("Оповещение"));
  EXPECT_EQ(pages->currentIndex(), 4);
  EXPECT_FALSE(pages->isTabVisible(form1.NoPageTab()));
  EXPECT_TRUE(Main<QWidget>("GroupBox8")->isEnabled());
  const char* zones[] = {"Edit40", "Edit41", "Edit42"};
  for (int n = 0; n < 3; ++n) {
    QLineEdit* zone = Main<QLineEdit>(zones[n]);
    ASSERT_NE(zone, nullptr);
    EXPECT_TRUE(zone->isVisible()) << zones[n];
    EXPECT_EQ(zone->text(), QString::number(n + 1)) << zones[n];
  }
  EXPECT_EQ(Main<QLineEdit>("Edit43")->text(), QStringLiteral("7"));
  EXPECT_EQ(Main<QSlider>("TrackBar20")->value(), 2);

  port.writes.clear();
  QTest::mouseClick(Main<QPushButton>("BitBtn60"), Qt::LeftButton);
  ASSERT_EQ(port.writes.size(), 1u);
  // SetLevel to the paging device: channel 44, position 3 as level 32 + 3 * 14.
  const Bytes setLevel = {0xE2, 0xE4, 5, 6, 10, 44, 74, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(port.writes[0], setLevel);
  EXPECT_EQ(Main<QSlider>("TrackBar20")->value(), 3);
  EXPECT_EQ(device.Code("gain"), 74);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
}

}  // namespace
}  // namespace intercom::testing
