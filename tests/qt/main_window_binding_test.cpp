// The main window as a view: user input reaches the model and its handlers,
// and the model's changes show in the widgets.
#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <set>

#include "qt/input_block.h"
#include "qt/trace_view.h"
#include "tests/qt/window_fixture.h"

namespace intercom::testing {
namespace {

constexpr char kAddressRange[] = "Адрес должен быть задан в пределах от 1 до 32";

using MainWindowInput = WindowTest;
using MainWindowView = WindowTest;

TEST_F(MainWindowInput, EachKeystrokeRunsTheFieldsChangeHandler) {
  ShowMainWindow();
  panel.PageControl1.ShowPage(1);
  QLineEdit* address = Main<QLineEdit>("Edit14");
  QTest::keyClicks(address, "40");
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kAddressRange});
  EXPECT_EQ(panel.Edit14.Text(), "0");
  EXPECT_EQ(address->text(), QStringLiteral("0"));
}

TEST_F(MainWindowInput, TypingIntoAFieldWithoutHandlerSetsItsText) {
  ShowMainWindow();
  panel.PageControl1.ShowPage(3);
  QTest::keyClicks(Main<QLineEdit>("Edit17"), "12");
  EXPECT_EQ(panel.Edit17.Text(), "12");
  QTest::keyClick(Main<QLineEdit>("Edit17"), Qt::Key_Backspace);
  EXPECT_EQ(panel.Edit17.Text(), "1");
  EXPECT_TRUE(boxes.shown.empty());
}

// Assistive technology and test robots change a field's text without keys.
void SetThroughAccessibility(QLineEdit* edit, const QString& text) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(edit);
  ASSERT_NE(accessible, nullptr);
  QAccessibleEditableTextInterface* editable = accessible->editableTextInterface();
  ASSERT_NE(editable, nullptr);
  editable->replaceText(0, static_cast<int>(edit->text().size()), text);
}

TEST_F(MainWindowInput, TextChangedWithoutKeysIsWhatTheWriteSends) {
  ShowMainWindow();
  port.Open("/dev/ttyUSB0");
  context.state.CurrentDevice = static_cast<int32_t>(DeviceKind::Switch);
  panel.PageControl1.ShowPage(3);
  for (int n = 16; n <= 19; ++n) panel.EditAt(n).SetText("1");

  SetThroughAccessibility(Main<QLineEdit>("Edit17"), QStringLiteral("23"));
  EXPECT_EQ(Main<QLineEdit>("Edit17")->text(), QStringLiteral("23"));
  EXPECT_EQ(panel.Edit17.Text(), "23");
  QTest::mouseClick(Main<QPushButton>("BitBtn2"), Qt::LeftButton);

  ASSERT_FALSE(port.writes.empty());
  EXPECT_EQ(port.writes[0][3], static_cast<uint8_t>(CommandCode::WriteSettings));
  EXPECT_EQ(port.writes[0][5], EncodeAddress(1));
  EXPECT_EQ(port.writes[0][6], EncodeAddress(23));
}

TEST_F(MainWindowInput, TextChangedWithoutKeysRunsTheFieldsCheck) {
  ShowMainWindow();
  panel.PageControl1.ShowPage(1);
  QLineEdit* address = Main<QLineEdit>("Edit14");
  SetThroughAccessibility(address, QStringLiteral("40"));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kAddressRange});
  EXPECT_EQ(panel.Edit14.Text(), "0");
  EXPECT_EQ(address->text(), QStringLiteral("0"));
}

TEST_F(MainWindowView, ModelWritesDoNotComeBackAsEdits) {
  ShowMainWindow();
  std::vector<std::string> changes;
  panel.Edit15.OnChange = [&] { changes.push_back(panel.Edit15.Text()); };
  panel.Edit15.SetText("12");
  EXPECT_EQ(changes, std::vector<std::string>{"12"});
  EXPECT_EQ(Main<QLineEdit>("Edit15")->text(), QStringLiteral("12"));
  // A text longer than the widget holds stays whole in the model.
  const std::string trace(40000, 'A');
  panel.Edit13.SetText(trace);
  EXPECT_EQ(panel.Edit13.Text(), trace);
}

TEST_F(MainWindowInput, ButtonClickRunsItsHandler) {
  ShowMainWindow();
  panel.Edit12.SetText("E2 E4");
  panel.Edit13.SetText("E2 E4");
  QTest::mouseClick(Main<QPushButton>("BitBtn5"), Qt::LeftButton);
  EXPECT_EQ(panel.Edit12.Text(), "");
  EXPECT_EQ(Main<TraceView>("Edit13")->text(), QString());
}

TEST_F(MainWindowInput, StepButtonMovesItsSlider) {
  ShowMainWindow();
  port.Open("/dev/ttyUSB0");
  panel.PageControl1.ShowPage(2);
  const int before = panel.TrackBar5.Position();
  QTest::mouseClick(Main<QPushButton>("BitBtn15"), Qt::LeftButton);
  EXPECT_EQ(panel.TrackBar5.Position(), before + 1);
  EXPECT_EQ(Main<QSlider>("TrackBar5")->value(), before + 1);
  ASSERT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(port.writes[0][3], static_cast<uint8_t>(CommandCode::SetLevel));
}

TEST_F(MainWindowInput, CheckBoxClickTogglesTheModelAndSendsTheStudioMode) {
  ShowMainWindow();
  port.Open("/dev/ttyUSB0");
  panel.PageControl1.ShowPage(0);
  QCheckBox* studio = Main<QCheckBox>("CheckBox1");
  QTest::mouseClick(studio, Qt::LeftButton, {}, QPoint(8, studio->height() / 2));
  EXPECT_TRUE(panel.CheckBox1.Checked());
  EXPECT_TRUE(studio->isChecked());
  ASSERT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(port.writes[0][3], static_cast<uint8_t>(CommandCode::WriteStudioMode));
}

TEST_F(MainWindowInput, TabClickSelectsThePage) {
  ShowMainWindow();
  QTabBar* tabs = Main<QTabWidget>("PageControl1")->tabBar();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(3).center());
  EXPECT_EQ(panel.PageControl1.ActivePage(), 3);
  EXPECT_EQ(Main<QTabWidget>("PageControl1")->currentIndex(), 3);
}

TEST_F(MainWindowInput, MenuEntryShowsThePortDialog) {
  ShowMainWindow();
  panel.Form2.ComboBox1.AddItem("/dev/ttyS0");
  context.state.PortName = "/dev/ttyS0";
  QAction* entry = form1->menuBar()->actions()[0]->menu()->actions()[0];
  entry->trigger();
  EXPECT_TRUE(panel.Form2.Form.Visible());
  EXPECT_TRUE(form2->isVisible());
  EXPECT_EQ(Find<QComboBox>(form2.get(), "ComboBox1")->currentText(), QStringLiteral("/dev/ttyS0"));
}

TEST_F(MainWindowInput, MenuEntryIsReachedFromTheKeyboard) {
  ShowMainWindow();
  QApplication::setActiveWindow(form1.get());
  QLineEdit* field = Main<QLineEdit>("Edit16");
  panel.PageControl1.ShowPage(3);
  field->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return field->hasFocus(); }));
  QTest::keyClick(field, Qt::Key_Alt);
  QMenuBar* menus = form1->menuBar();
  ASSERT_TRUE(WaitUntil([&] { return menus->activeAction() != nullptr; }));
  QTest::keyClick(menus, Qt::Key_Down);
  QMenu* settings = menus->actions()[0]->menu();
  ASSERT_TRUE(WaitUntil([&] { return settings->isVisible(); }));
  QTest::keyClick(settings, Qt::Key_Return);
  EXPECT_TRUE(WaitUntil([&] { return panel.Form2.Form.Visible(); }));
}

TEST_F(MainWindowInput, ExitButtonHidesTheWindowAndEndsTheProgram) {
  ShowMainWindow();
  QTest::mouseClick(Main<QPushButton>("BitBtn3"), Qt::LeftButton);
  EXPECT_FALSE(panel.Form1.Visible());
  EXPECT_FALSE(form1->isVisible());
  EXPECT_EQ(mainWindowClosings, 1);
}

TEST_F(MainWindowInput, FrameCloseButtonClosesTheModelWindow) {
  ShowMainWindow();
  EXPECT_TRUE(form1->close());
  EXPECT_FALSE(panel.Form1.Visible());
  EXPECT_EQ(mainWindowClosings, 1);
}

TEST_F(MainWindowView, ModelWritesShowInTheWidgets) {
  ShowMainWindow();
  panel.Edit17.SetText("25");
  EXPECT_EQ(Main<QLineEdit>("Edit17")->text(), QStringLiteral("25"));
  panel.TrackBar3.SetPosition(7);
  EXPECT_EQ(Main<QSlider>("TrackBar3")->value(), 7);
  panel.Edit3.SetEnabled(false);
  EXPECT_FALSE(Main<QWidget>("Edit3")->isEnabledTo(Main<QWidget>("TabSheet1")));
  panel.GroupBox2.SetEnabled(false);
  EXPECT_FALSE(TakesInput(*Main<QGroupBox>("GroupBox2")));
  EXPECT_FALSE(TakesInput(*Main<QWidget>("BitBtn7")));
  panel.BitBtn2.SetEnabled(false);
  EXPECT_FALSE(Main<QWidget>("BitBtn2")->isEnabled());
  panel.PageControl1.ShowPage(3);
  EXPECT_EQ(Main<QTabWidget>("PageControl1")->currentIndex(), 3);
  panel.CheckBox1.SetChecked(true);
  EXPECT_TRUE(Main<QCheckBox>("CheckBox1")->isChecked());
  panel.Edit11.SetVisible(true);
  panel.PageControl1.ShowPage(0);
  EXPECT_TRUE(Main<QWidget>("Edit11")->isVisible());
}

TEST_F(MainWindowView, ReEnablingAGroupLeavesItsFieldsOwnState) {
  ShowMainWindow();
  panel.PageControl1.ShowPage(3);
  panel.Edit17.SetEnabled(false);
  panel.GroupBox5.SetEnabled(false);
  EXPECT_FALSE(TakesInput(*Main<QWidget>("Edit16")));
  panel.GroupBox5.SetEnabled(true);
  EXPECT_TRUE(TakesInput(*Main<QWidget>("Edit16")));
  EXPECT_FALSE(TakesInput(*Main<QWidget>("Edit17")));
  EXPECT_EQ(Main<QWidget>("Edit16")->focusPolicy(), Qt::StrongFocus);
}

// What a control looks like on the screen, to the pixel.
QImage Look(QWidget* widget) {
  return widget->grab().toImage();
}

TEST_F(MainWindowView, DisabledGroupKeepsItsLookAndTakesNoInput) {
  ShowMainWindow();
  port.Open("/dev/ttyUSB0");
  context.state.CurrentDevice = static_cast<int32_t>(DeviceKind::Splitter);
  panel.PageControl1.ShowPage(1);
  panel.Edit14.SetText("3");
  QWidget* page = Main<QWidget>("TabSheet2");
  // The style draws the sliders' first tick marks darker than every later
  // time; one drawing settles that.
  Look(page);
  const QImage before = Look(page);

  panel.GroupBox1.SetEnabled(false);
  panel.GroupBox2.SetEnabled(false);

  const QImage after = Look(page);
  EXPECT_EQ(after, before);
  if (const QByteArray folder = qgetenv("INTERCOM_SCREENSHOTS"); !folder.isEmpty()) {
    before.save(QString::fromLocal8Bit(folder) + QStringLiteral("/splitter-enabled.png"));
    after.save(QString::fromLocal8Bit(folder) + QStringLiteral("/splitter-disabled.png"));
  }
  QTest::mouseClick(Main<QPushButton>("BitBtn7"), Qt::LeftButton);
  QTest::keyClicks(Main<QLineEdit>("Edit14"), "5");
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(panel.Edit14.Text(), "3");
  EXPECT_EQ(panel.TrackBar1.Position(), 0);
  // The focus chain passes the groups' controls by.
  QApplication::setActiveWindow(form1.get());
  QWidget* refresh = Main<QWidget>("BitBtn19");
  refresh->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return refresh->hasFocus(); }));
  const std::set<std::string> blocked = {"Edit14",   "BitBtn6",  "BitBtn7",  "BitBtn8", "BitBtn9",
                                         "BitBtn10", "BitBtn11", "BitBtn12", "BitBtn13"};
  for (int i = 0; i < 12; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    const std::string name = QApplication::focusWidget()->objectName().toStdString();
    EXPECT_EQ(blocked.count(name), 0u) << name;
  }

  panel.GroupBox2.SetEnabled(true);
  QTest::mouseClick(Main<QPushButton>("BitBtn7"), Qt::LeftButton);
  EXPECT_EQ(panel.TrackBar1.Position(), 1);
  EXPECT_EQ(port.writes.size(), 1u);
}

// What assistive technology hears of `widget`: enabled, focusable.
std::pair<bool, bool> Heard(QWidget* widget) {
  QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(widget);
  if (heard == nullptr) return {false, false};
  const QAccessible::State state = heard->state();
  return {!state.disabled, state.focusable != 0};
}

TEST_F(MainWindowView, DisabledContainersAndWhatTheyHoldAreHeardAsDisabled) {
  ShowMainWindow();
  panel.PageControl1.ShowPage(1);
  const auto heardAsIs = std::make_pair(true, true);
  const auto heardBlocked = std::make_pair(false, false);
  ASSERT_EQ(Heard(Main<QWidget>("Edit14")), heardAsIs);

  panel.GroupBox1.SetEnabled(false);
  EXPECT_EQ(Heard(Main<QWidget>("GroupBox1")).first, false);
  EXPECT_EQ(Heard(Main<QWidget>("Edit14")), heardBlocked);
  EXPECT_EQ(Heard(Main<QWidget>("BitBtn6")), heardAsIs) << "outside the group";
  panel.GroupBox1.SetEnabled(true);
  EXPECT_EQ(Heard(Main<QWidget>("Edit14")), heardAsIs);

  // With no device the tabs take no input, and say so.
  panel.PageControl1.SetEnabled(false);
  QTabWidget* pages = Main<QTabWidget>("PageControl1");
  EXPECT_EQ(Heard(pages).first, false);
  EXPECT_EQ(Heard(pages->tabBar()), heardBlocked);
  QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(pages->tabBar());
  ASSERT_NE(tabs, nullptr);
  ASSERT_GT(tabs->childCount(), 0);
  EXPECT_TRUE(tabs->child(0)->state().disabled);
  EXPECT_EQ(Heard(Main<QWidget>("Edit14")), heardBlocked);
  panel.PageControl1.SetEnabled(true);
  EXPECT_EQ(Heard(pages->tabBar()).first, true);
}

TEST_F(MainWindowView, NoPageShowsFourUnselectedTabsThatDoNotRespond) {
  ShowMainWindow();
  panel.PageControl1.ShowPage(4);
  panel.PageControl1.SetEnabled(false);
  QTabWidget* pages = Main<QTabWidget>("PageControl1");
  EXPECT_EQ(pages->currentIndex(), form1->NoPageTab());
  EXPECT_FALSE(pages->isTabVisible(form1->NoPageTab()));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(pages->isTabVisible(i));
  EXPECT_EQ(pages->tabBar()->currentIndex(), form1->NoPageTab());
  EXPECT_TRUE(pages->currentWidget()->findChildren<QWidget*>().isEmpty());
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(pages->widget(i)->isVisible());
  EXPECT_FALSE(TakesInput(*pages->tabBar()));
  // The captions keep their look: the same pixels as on an enabled page control.
  const QImage disabledTabs = Look(pages->tabBar());
  panel.PageControl1.SetEnabled(true);
  EXPECT_EQ(Look(pages->tabBar()), disabledTabs);
  panel.PageControl1.SetEnabled(false);

  QTabBar* tabs = pages->tabBar();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
  EXPECT_EQ(panel.PageControl1.ActivePage(), PageControl::kNoPage);
  EXPECT_EQ(pages->currentIndex(), form1->NoPageTab());

  panel.PageControl1.SetEnabled(true);
  panel.PageControl1.ShowNextPage();
  EXPECT_EQ(pages->currentIndex(), 0);
}

// The tabs assistive technology hears: caption and whether selected.
std::vector<std::pair<std::string, bool>> HeardTabs(QTabBar* bar) {
  std::vector<std::pair<std::string, bool>> heard;
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(bar);
  if (list == nullptr || list->role() != QAccessible::PageTabList) return heard;
  for (int i = 0; i < list->childCount(); ++i) {
    QAccessibleInterface* tab = list->child(i);
    if (tab == nullptr || tab->role() != QAccessible::PageTab) continue;
    EXPECT_EQ(list->indexOfChild(tab), i);
    EXPECT_EQ(tab->parent(), list);
    heard.emplace_back(tab->text(QAccessible::Name).toStdString(), tab->state().selected != 0);
  }
  return heard;
}

TEST_F(MainWindowView, AssistiveTechnologyHearsTheFourTabsByTheirCaptions) {
  ShowMainWindow();
  QTabBar* bar = Main<QTabWidget>("PageControl1")->tabBar();
  using Tabs = std::vector<std::pair<std::string, bool>>;
  EXPECT_EQ(HeardTabs(bar), (Tabs{{"Абонентский комплект", false},
                                  {"Сплиттер", false},
                                  {"Напоясный блок", true},
                                  {"Коммутатор", false}}));
  panel.PageControl1.ShowPage(4);
  EXPECT_EQ(HeardTabs(bar), (Tabs{{"Абонентский комплект", false},
                                  {"Сплиттер", false},
                                  {"Напоясный блок", false},
                                  {"Коммутатор", false}}));
  // Pressing a tab through its action is a click on it.
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(bar);
  QAccessibleActionInterface* press = list->child(1)->actionInterface();
  ASSERT_NE(press, nullptr);
  press->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(panel.PageControl1.ActivePage(), 1);
}

TEST_F(MainWindowView, TabClickWhileTheModelRefusesKeepsTheModelsPage) {
  ShowMainWindow();
  panel.PageControl1.SetEnabled(false);
  Main<QTabWidget>("PageControl1")->setCurrentIndex(0);
  EXPECT_EQ(panel.PageControl1.ActivePage(), 2);
  EXPECT_EQ(Main<QTabWidget>("PageControl1")->currentIndex(), 2);
}

}  // namespace
}  // namespace intercom::testing
