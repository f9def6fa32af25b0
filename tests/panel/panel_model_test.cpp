#include "panel/panel_model.h"

#include <gtest/gtest.h>

#include "panel/field_integer.h"
#include "panel/handler_failure.h"
#include "tests/support/recording_message_boxes.h"

namespace intercom {
namespace {

using testing::RecordingMessageBoxes;
using testing::ShownBox;

class PanelModelTest : public ::testing::Test {
 protected:
  RecordingMessageBoxes boxes;
  PanelModel panel{boxes, "Intercom-config"};
};

TEST_F(PanelModelTest, StartsInTheLoadedState) {
  EXPECT_EQ(panel.PageControl1.ActivePage(), 2);
  EXPECT_TRUE(panel.PageControl1.Enabled());
  for (int n = 1; n <= 20; ++n) EXPECT_EQ(panel.EditAt(n).Text(), "") << n;
  EXPECT_FALSE(panel.Edit11.Enabled());
  EXPECT_FALSE(panel.Edit11.Visible());
  for (int n = 1; n <= 9; ++n) {
    EXPECT_FALSE(panel.TrackBarAt(n).Enabled()) << n;
    // The belt pack's volume starts at 2, every other slider at 0.
    EXPECT_EQ(panel.TrackBarAt(n).Position(), n == 5 ? 2 : 0) << n;
  }
  EXPECT_FALSE(panel.BitBtn1.Visible());
  EXPECT_FALSE(panel.Label1.Visible());
  EXPECT_FALSE(panel.Label4.Visible());
  for (int n = 2; n <= 25; ++n) EXPECT_TRUE(panel.BitBtnAt(n).Visible()) << n;
  for (int n = 1; n <= 7; ++n) EXPECT_TRUE(panel.GroupBoxAt(n).Enabled()) << n;
  EXPECT_FALSE(panel.CheckBox1.Checked());
  EXPECT_FALSE(panel.Form1.Visible());
  EXPECT_FALSE(panel.Form2.Form.Visible());
  EXPECT_FALSE(panel.Form3.Form.Visible());
  EXPECT_EQ(panel.Form2.ComboBox1.Count(), 0);
  EXPECT_EQ(panel.Form2.ComboBox1.ItemIndex(), -1);
  EXPECT_EQ(&panel.EditAt(14), &panel.Edit14);
  EXPECT_THROW(panel.EditAt(21), std::out_of_range);
}

TEST_F(PanelModelTest, TextWriteRaisesChangeOnlyOnRealChange) {
  std::vector<std::string> seen;
  panel.Edit3.OnChange = [&] { seen.push_back(panel.Edit3.Text()); };
  panel.Edit3.SetText("");
  EXPECT_TRUE(seen.empty());
  panel.Edit3.SetText("4");
  panel.Edit3.SetText("4");
  panel.Edit3.SetText("40");
  EXPECT_EQ(seen, (std::vector<std::string>{"4", "40"}));
}

TEST_F(PanelModelTest, AppendIsAWriteOfTheLongerTextWithItsEventsAndNotices) {
  std::vector<std::string> seen;
  int notices = 0;
  panel.SetObserver([&](const Control& control) { notices += &control == &panel.Edit13; });
  panel.Edit13.OnChange = [&] { seen.push_back(panel.Edit13.Text()); };
  panel.Edit13.Append(" E2");
  panel.Edit13.Append("");
  panel.Edit13.Append(" E4");
  EXPECT_EQ(seen, (std::vector<std::string>{" E2", " E2 E4"}));
  EXPECT_EQ(notices, 2);
  EXPECT_EQ(panel.Edit13.Revision(), 2u);
  EXPECT_EQ(panel.Edit13.KeptPrefix(), 3u);
}

TEST_F(PanelModelTest, EveryTextChangeTellsHowMuchOfTheTextItKept) {
  TextField& field = panel.Edit12;
  field.SetText("E2 E4 01");
  EXPECT_EQ(field.KeptPrefix(), 0u);
  field.SetText("E2 E4 07");
  EXPECT_EQ(field.KeptPrefix(), 7u);
  field.SetText("E2");
  EXPECT_EQ(field.KeptPrefix(), 2u);
  field.SetText("");
  EXPECT_EQ(field.KeptPrefix(), 0u);
  // UTF-8 "ая", "аб", "ав": where two texts part inside a letter, the whole letter changed.
  field.SetText("\xD0\xB0\xD1\x8F");
  field.SetText("\xD0\xB0\xD0\xB1");
  EXPECT_EQ(field.KeptPrefix(), 2u);
  field.SetText("\xD0\xB0\xD0\xB2");
  EXPECT_EQ(field.KeptPrefix(), 2u);
  const uint64_t before = field.Revision();
  field.SetText(field.Text());
  EXPECT_EQ(field.Revision(), before);
}

TEST_F(PanelModelTest, HandlerThatWritesItsOwnFieldRunsNestedOnce) {
  int runs = 0;
  panel.Edit14.OnChange = [&] {
    ++runs;
    if (panel.Edit14.Text() != "0") panel.Edit14.SetText("0");
  };
  panel.Edit14.SetText("40");
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(panel.Edit14.Text(), "0");
}

TEST_F(PanelModelTest, CheckedWriteRunsClickBeforeReturning) {
  std::vector<bool> seen;
  panel.CheckBox1.OnClick = [&] { seen.push_back(panel.CheckBox1.Checked()); };
  panel.CheckBox1.SetChecked(false);
  EXPECT_TRUE(seen.empty());
  panel.CheckBox1.SetChecked(true);
  ASSERT_EQ(seen.size(), 1u);
  panel.CheckBox1.Click();
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(PanelModelTest, PositionIsClampedWithoutEvent) {
  panel.TrackBar5.SetPosition(-2);
  EXPECT_EQ(panel.TrackBar5.Position(), 0);
  panel.TrackBar5.SetPosition(17);
  EXPECT_EQ(panel.TrackBar5.Position(), 16);
  panel.TrackBar5.SetPosition(7);
  EXPECT_EQ(panel.TrackBar5.Position(), 7);
}

TEST_F(PanelModelTest, PagesCycleAndIndexFourShowsNone) {
  panel.PageControl1.ShowPage(4);
  EXPECT_EQ(panel.PageControl1.ActivePage(), PageControl::kNoPage);
  panel.PageControl1.ShowNextPage();
  EXPECT_EQ(panel.PageControl1.ActivePage(), 0);
  panel.PageControl1.ShowPage(3);
  panel.PageControl1.ShowNextPage();
  EXPECT_EQ(panel.PageControl1.ActivePage(), 0);
  panel.PageControl1.ShowPage(-1);
  EXPECT_EQ(panel.PageControl1.ActivePage(), PageControl::kNoPage);
}

TEST_F(PanelModelTest, TabClicksAreIgnoredWhilePageControlIsDisabled) {
  panel.PageControl1.SetEnabled(false);
  panel.PageControl1.SelectTab(1);
  EXPECT_EQ(panel.PageControl1.ActivePage(), 2);
  panel.PageControl1.SetEnabled(true);
  panel.PageControl1.SelectTab(1);
  EXPECT_EQ(panel.PageControl1.ActivePage(), 1);
}

TEST_F(PanelModelTest, ComboBoxListAndSelection) {
  ComboBox& list = panel.Form2.ComboBox1;
  list.AddItem("/dev/ttyS0");
  list.AddItem("/dev/ttyUSB0");
  list.SetItemIndex(1);
  EXPECT_EQ(list.Text(), "/dev/ttyUSB0");
  list.SetItemIndex(5);
  EXPECT_EQ(list.ItemIndex(), -1);
  list.SetText("/dev/ttyACM3");
  EXPECT_EQ(list.Count(), 2);  // typed names never join the list
  EXPECT_EQ(list.ItemIndex(), -1);
  list.ClearItems();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(PanelModelTest, ShowingAVisibleDialogDoesNotRunItsShowHandlerAgain) {
  int shows = 0;
  panel.Form2.Form.OnShow = [&] {
    ++shows;
    EXPECT_FALSE(panel.Form2.Form.Visible());  // the handler runs before the window appears
  };
  panel.Form2.Form.Show();
  panel.Form2.Form.Show();
  EXPECT_EQ(shows, 1);
  EXPECT_TRUE(panel.Form2.Form.Visible());
  panel.Form2.Form.Close();
  panel.Form2.Form.Show();
  EXPECT_EQ(shows, 2);
}

TEST_F(PanelModelTest, FailingShowHandlerIsReportedAndTheDialogShowsAnyway) {
  panel.Form2.Form.OnShow = [] { throw FileIoFailure(5); };
  panel.Form2.Form.Show();
  EXPECT_TRUE(panel.Form2.Form.Visible());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(boxes.shown[0].text, "File access denied.");
}

TEST_F(PanelModelTest, FailingHandlerStopsWhereItFailedAndShowsError) {
  std::vector<std::string> steps;
  panel.BitBtn2.OnClick = [&] {
    steps.push_back("before");
    ParseFieldInteger("");
    steps.push_back("after");
  };
  panel.BitBtn2.Click();
  EXPECT_EQ(steps, std::vector<std::string>{"before"});
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "'' is not a valid integer value.");
  EXPECT_EQ(boxes.shown[0].caption, "Intercom-config");
}

TEST_F(PanelModelTest, AFailureShowsTheWholeTextOfAFieldHoldingANul) {
  const std::string text(
      "3\0"
      "4 ",
      4);
  panel.Edit15.SetText(text);
  panel.BitBtn2.OnClick = [&] { ParseFieldInteger(panel.Edit15.Text()); };
  panel.BitBtn2.Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "'" + text + "' is not a valid integer value.");
}

TEST_F(PanelModelTest, OtherExceptionsAreNotSwallowed) {
  panel.BitBtn4.OnClick = [] { throw std::logic_error("bug"); };
  EXPECT_THROW(panel.BitBtn4.Click(), std::logic_error);
}

TEST_F(PanelModelTest, HandlerRunningCoversNestedHandlersAndBoxesAndIdleFollowsTheOutermost) {
  std::vector<std::string> seen;
  panel.SetIdleObserver([&] { seen.push_back(panel.HandlerRunning() ? "idle?" : "idle"); });
  boxes.whileOpen = [&](const ShownBox&) {
    seen.push_back(panel.HandlerRunning() ? "box in handler" : "box");
  };
  panel.Edit14.OnChange = [&] { seen.push_back("change"); };
  panel.BitBtn2.OnClick = [&] {
    panel.Edit14.SetText("7");
    panel.ShowInformation("written");
    ParseFieldInteger("x");
  };
  EXPECT_FALSE(panel.HandlerRunning());

  panel.BitBtn2.Click();

  // The failure's own box still belongs to the handler; idle comes once, at the end.
  EXPECT_EQ(seen, (std::vector<std::string>{"change", "box in handler", "box in handler", "idle"}));
  EXPECT_FALSE(panel.HandlerRunning());

  panel.BitBtn4.OnClick = [] { throw std::logic_error("bug"); };
  EXPECT_THROW(panel.BitBtn4.Click(), std::logic_error);
  EXPECT_FALSE(panel.HandlerRunning());
  EXPECT_EQ(seen.back(), "idle");
}

TEST_F(PanelModelTest, BusyWhileAnActionRunsButNotWhileTheUserIsAsked) {
  std::vector<std::string> seen;
  panel.SetBusyObserver([&](bool busy) {
    seen.push_back(busy ? "busy" : panel.AskingUser() ? "asking" : "ready");
  });
  panel.SetIdleObserver([&] { seen.push_back(panel.Busy() ? "idle busy" : "idle"); });
  boxes.whileOpen = [&](const ShownBox&) { seen.push_back(panel.Busy() ? "box busy" : "box"); };
  panel.Edit14.OnChange = [&] { seen.push_back(panel.Busy() ? "change busy" : "change"); };
  panel.BitBtn2.OnClick = [&] {
    panel.Edit14.SetText("7");
    panel.ShowInformation("Новые настройки записаны.");
    seen.push_back(panel.Busy() ? "after box busy" : "after box");
  };
  EXPECT_FALSE(panel.Busy());

  panel.BitBtn2.Click();

  EXPECT_EQ(seen, (std::vector<std::string>{"busy", "change busy", "asking", "box", "busy",
                                            "after box busy", "ready", "idle"}));
  EXPECT_FALSE(panel.Busy());

  seen.clear();
  panel.BitBtn4.OnClick = [] { throw std::logic_error("bug"); };
  EXPECT_THROW(panel.BitBtn4.Click(), std::logic_error);
  EXPECT_FALSE(panel.Busy());
  EXPECT_EQ(seen, (std::vector<std::string>{"busy", "ready", "idle"}));
}

TEST_F(PanelModelTest, WhatWaitsForIdleRunsOnlyOnceTheActionIsOver) {
  std::vector<std::string> seen;
  panel.SetIdleObserver([&] { seen.push_back("idle"); });
  panel.BitBtn3.OnClick = [&] { seen.push_back("close"); };
  boxes.whileOpen = [&](const ShownBox&) {
    // As a signal or the frame's close button would, while the box waits.
    panel.WhenIdle([&] {
      seen.push_back(panel.HandlerRunning() ? "end inside" : "end");
      panel.BitBtn3.Click();
    });
    panel.WhenIdle([&] { seen.push_back("second"); });
  };
  panel.BitBtn2.OnClick = [&] {
    panel.ShowInformation("Новые настройки записаны.");
    seen.push_back("last request");
  };

  panel.BitBtn2.Click();

  EXPECT_EQ(seen,
            (std::vector<std::string>{"last request", "idle", "end", "close", "idle", "second"}));
  seen.clear();
  panel.WhenIdle([&] { seen.push_back("at once"); });
  EXPECT_EQ(seen, std::vector<std::string>{"at once"});
}

TEST_F(PanelModelTest, MessageBoxesCarryKindAndCaption) {
  panel.ShowNotice("Can't open port ");
  panel.ShowInformation("Новые настройки записаны.");
  panel.ShowError("Invalid data type for 'x'");
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Notice);
  EXPECT_EQ(boxes.shown[0].caption, "Intercom-config");
  EXPECT_EQ(boxes.shown[0].text, "Can't open port ");
  EXPECT_EQ(boxes.shown[1].kind, MessageKind::Information);
  EXPECT_EQ(boxes.shown[1].caption, "Information");
  EXPECT_EQ(boxes.shown[2].text, "Invalid data type for 'x'");  // ends in "'" (code below '.')
}

TEST(ErrorText, AddsFullStopAfterCharactersAboveIt) {
  EXPECT_EQ(ErrorText("Disk full"), "Disk full.");
  EXPECT_EQ(ErrorText("I/O error 21"), "I/O error 21.");
  EXPECT_EQ(ErrorText("Ошибка"), "Ошибка.");
  EXPECT_EQ(ErrorText("done."), "done.");
  EXPECT_EQ(ErrorText("a,"), "a,");
  EXPECT_EQ(ErrorText("a-"), "a-");
  EXPECT_EQ(ErrorText("a "), "a ");
  EXPECT_EQ(ErrorText("a/"), "a/.");
  EXPECT_EQ(ErrorText(""), "");
}

TEST(ApplicationTitle, IsTheFileNameCutAtItsFirstDotInLowerCaseAfterTheFirst) {
  EXPECT_EQ(ApplicationTitle("/usr/bin/intercom-config"), "intercom-config");
  EXPECT_EQ(ApplicationTitle("build/Intercom-CONFIG.bin"), "Intercom-config");
  EXPECT_EQ(ApplicationTitle("CONFIG.tar.gz"), "Config");
  EXPECT_EQ(ApplicationTitle(".hidden"), "");
  EXPECT_EQ(ApplicationTitle("C:\\Program Files\\Intercom\\Intercom-Config.exe"),
            "Intercom-config");
}

TEST_F(PanelModelTest, ObserverHearsStateChanges) {
  std::vector<std::string> changed;
  panel.SetObserver([&](const Control& control) { changed.push_back(control.Name()); });
  panel.Edit16.SetText("3");
  panel.Edit16.SetText("3");
  panel.TrackBar2.SetPosition(5);
  panel.GroupBox5.SetEnabled(false);
  panel.Form3.Form.Show();
  EXPECT_EQ(changed, (std::vector<std::string>{"Edit16", "TrackBar2", "GroupBox5", "Form3"}));
}

}  // namespace
}  // namespace intercom
