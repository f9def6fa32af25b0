// The port and device address dialogs as views of the model.
#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "panel/window_layout.h"
#include "tests/qt/window_fixture.h"

namespace intercom::testing {
namespace {

using Dialogs = WindowTest;

TEST_F(Dialogs, PortDialogLayout) {
  EXPECT_FALSE(form2->isVisible());
  EXPECT_EQ(form2->size(), QSize(PortDialogLayout().clientWidth, PortDialogLayout().clientHeight));
  EXPECT_EQ(form2->pos(), QPoint(445, 317));
  EXPECT_TRUE(form2->windowTitle().isEmpty());
  QLabel* label = Find<QLabel>(form2.get(), "Label1");
  EXPECT_EQ(label->text(), QStringLiteral("Выберите COM-порт"));
  EXPECT_EQ(label->pos(), QPoint(24, 16));
  QComboBox* ports = Find<QComboBox>(form2.get(), "ComboBox1");
  EXPECT_EQ(ports->geometry(), QRect(8, 40, 145, 21));
  EXPECT_TRUE(ports->isEditable());
  EXPECT_EQ(ports->insertPolicy(), QComboBox::NoInsert);
  // The field completes by itself (see TypedTextCompletes…).
  EXPECT_EQ(ports->completer(), nullptr);
  QPushButton* choose = Find<QPushButton>(form2.get(), "BitBtn1");
  EXPECT_EQ(choose->text(), QStringLiteral("Выбрать"));
  EXPECT_EQ(choose->geometry(), QRect(40, 72, 75, 25));
  QWidget* next = ports->nextInFocusChain();
  while (ports->isAncestorOf(next)) next = next->nextInFocusChain();
  EXPECT_EQ(next, choose);
  EXPECT_LE(label->geometry().right(), form2->width());
}

TEST_F(Dialogs, AddressDialogLayout) {
  EXPECT_FALSE(form3->isVisible());
  EXPECT_EQ(form3->size(),
            QSize(AddressDialogLayout().clientWidth, AddressDialogLayout().clientHeight));
  EXPECT_EQ(form3->pos(), QPoint(505, 266));
  EXPECT_TRUE(form3->windowTitle().isEmpty());
  QLabel* label = Find<QLabel>(form3.get(), "Label1");
  EXPECT_EQ(label->text(), QStringLiteral("Задайте адрес устройства"));
  EXPECT_EQ(label->pos(), QPoint(8, 16));
  EXPECT_LE(label->geometry().right(), form3->width());
  QLineEdit* address = Find<QLineEdit>(form3.get(), "Edit1");
  EXPECT_EQ(address->geometry(), QRect(48, 40, 57, 21));
  EXPECT_FALSE(address->accessibleName().isEmpty());
  QPushButton* write = Find<QPushButton>(form3.get(), "BitBtn1");
  EXPECT_EQ(write->text(), QStringLiteral("Записать"));
  EXPECT_EQ(write->geometry(), QRect(40, 72, 75, 25));
  EXPECT_EQ(address->nextInFocusChain(), write);
}

TEST_F(Dialogs, ShownAndHiddenWithTheModel) {
  panel.Form3.Form.Show();
  EXPECT_TRUE(form3->isVisible());
  EXPECT_FALSE(form3->isModal());
  panel.Form3.Form.Close();
  EXPECT_FALSE(form3->isVisible());
}

TEST_F(Dialogs, FrameCloseButtonClosesTheModelDialogAndRunsNoHandler) {
  port.Open("/dev/ttyS0");
  panel.Form2.Form.Show();
  EXPECT_FALSE(port.IsOpen());
  const int opens = port.openCount;
  EXPECT_TRUE(form2->close());
  EXPECT_FALSE(panel.Form2.Form.Visible());
  EXPECT_FALSE(form2->isVisible());
  EXPECT_EQ(port.openCount, opens);
}

TEST_F(Dialogs, EnterAndEscapePressNoButton) {
  panel.Form2.Form.Show();
  QApplication::setActiveWindow(form2.get());
  QPushButton* choose = Find<QPushButton>(form2.get(), "BitBtn1");
  choose->setFocus();
  const int opens = port.openCount;
  QTest::keyClick(choose, Qt::Key_Return);
  QTest::keyClick(choose, Qt::Key_Enter);
  QTest::keyClick(choose, Qt::Key_Escape);
  EXPECT_EQ(port.openCount, opens);
  EXPECT_TRUE(panel.Form2.Form.Visible());
  EXPECT_TRUE(form2->isVisible());
}

TEST_F(Dialogs, ChooseButtonRunsItsHandler) {
  context.portChoicePath = (std::filesystem::temp_directory_path() /
                            ("intercom-windows-" + std::to_string(getpid()) + ".ini"))
                               .string();
  panel.Form2.Form.Show();
  QComboBox* ports = Find<QComboBox>(form2.get(), "ComboBox1");
  QTest::keyClicks(ports->lineEdit(), "/dev/ttyQ9");
  QTest::mouseClick(Find<QPushButton>(form2.get(), "BitBtn1"), Qt::LeftButton);
  EXPECT_EQ(context.state.PortName, "/dev/ttyQ9");
  ASSERT_FALSE(port.openedNames.empty());
  EXPECT_EQ(port.openedNames.back(), "/dev/ttyQ9");
  EXPECT_FALSE(form2->isVisible());
  std::filesystem::remove(context.portChoicePath);
}

TEST_F(Dialogs, ListComesFromTheModelAndTypedNamesAreNotAdded) {
  panel.Form2.ComboBox1.AddItem("/dev/ttyS0");
  panel.Form2.ComboBox1.AddItem("/dev/ttyUSB0");
  panel.Form2.ComboBox1.SetItemIndex(1);
  QComboBox* ports = Find<QComboBox>(form2.get(), "ComboBox1");
  ASSERT_EQ(ports->count(), 2);
  EXPECT_EQ(ports->itemText(1), QStringLiteral("/dev/ttyUSB0"));
  EXPECT_EQ(ports->currentText(), QStringLiteral("/dev/ttyUSB0"));

  panel.Form2.Form.Show();
  ports->lineEdit()->selectAll();
  QTest::keyClicks(ports->lineEdit(), "/dev/pts/7");
  QTest::keyClick(ports->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(panel.Form2.ComboBox1.Text(), "/dev/pts/7");
  EXPECT_EQ(ports->count(), 2);
  EXPECT_EQ(panel.Form2.ComboBox1.Count(), 2);
}

TEST_F(Dialogs, OpeningTheListReadsThePortsAgainAndTellsWhatEachIs) {
  std::vector<std::string> ports = {"/dev/ttyS0"};
  context.listPorts = [&ports] { return ports; };
  context.describePort = [](const std::string& path) {
    PortDescription port;
    port.path = path;
    if (path == "/dev/ttyUSB0") {
      port.byIdPath = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2-if00-port0";
      port.vendorId = "0403";
      port.productId = "6001";
      port.manufacturer = "FTDI";
      port.product = "FT232R USB UART";
    }
    return port;
  };
  panel.Form2.ComboBox1.AddItem("/dev/ttyS0");
  panel.Form2.Form.Show();
  QComboBox* list = Find<QComboBox>(form2.get(), "ComboBox1");
  list->lineEdit()->selectAll();
  QTest::keyClicks(list->lineEdit(), "/dev/pts/7");

  ports.push_back("/dev/ttyUSB0");
  list->showPopup();
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->itemText(1), QStringLiteral("/dev/ttyUSB0"));
  const QString usb = QStringLiteral(
      "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2-if00-port0\nFTDI FT232R USB UART\n"
      "USB 0403:6001");
  EXPECT_EQ(list->itemData(1, Qt::ToolTipRole).toString(), usb);
  EXPECT_EQ(list->itemData(1, Qt::AccessibleDescriptionRole).toString(), usb);
  EXPECT_FALSE(list->itemData(0, Qt::ToolTipRole).isValid());
  EXPECT_EQ(list->currentText(), QStringLiteral("/dev/pts/7"));
  list->hidePopup();

  list->setCurrentIndex(1);
  EXPECT_EQ(list->currentText(), QStringLiteral("/dev/ttyUSB0"));
  EXPECT_EQ(panel.Form2.ComboBox1.Text(), "/dev/ttyUSB0");
}

TEST_F(Dialogs, TypingCompletesFromTheListIgnoringCase) {
  panel.Form2.ComboBox1.AddItem("/dev/ttyS0");
  panel.Form2.ComboBox1.AddItem("/dev/ttyUSB0");
  panel.Form2.Form.Show();
  QLineEdit* edit = Find<QComboBox>(form2.get(), "ComboBox1")->lineEdit();
  QApplication::setActiveWindow(form2.get());
  edit->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return edit->hasFocus(); }));
  edit->clear();
  QTest::keyClicks(edit, "/DEV/TTYU");
  EXPECT_EQ(edit->text(), QStringLiteral("/dev/ttyUSB0"));
  EXPECT_EQ(edit->selectedText(), QStringLiteral("SB0"));
  EXPECT_EQ(panel.Form2.ComboBox1.Text(), "/dev/ttyUSB0");
  EXPECT_EQ(panel.Form2.ComboBox1.ItemIndex(), 1);
  // The next character replaces the completed part; nothing matches any more.
  QTest::keyClicks(edit, "x");
  EXPECT_EQ(edit->text(), QStringLiteral("/dev/ttyUx"));
  EXPECT_EQ(panel.Form2.ComboBox1.Text(), "/dev/ttyUx");
  EXPECT_EQ(panel.Form2.ComboBox1.ItemIndex(), -1);
}

// The rule the Win32 dialog follows too: after each typed character the
// first list port beginning with the text, case ignored, the completed part
// selected; deleting completes nothing.
TEST_F(Dialogs, TypedTextCompletesToTheFirstPortBeginningWithItAndDeletingLeavesIt) {
  for (const char* port : {"COM3", "/dev/TTYACM0", "/dev/ttyS0", "/dev/ttyUSB0"}) {
    panel.Form2.ComboBox1.AddItem(port);
  }
  panel.Form2.Form.Show();
  QLineEdit* edit = Find<QComboBox>(form2.get(), "ComboBox1")->lineEdit();
  QApplication::setActiveWindow(form2.get());
  edit->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return edit->hasFocus(); }));
  edit->clear();

  QTest::keyClicks(edit, "/dev/tty");
  EXPECT_EQ(edit->text(), QStringLiteral("/dev/TTYACM0"));
  EXPECT_EQ(edit->selectedText(), QStringLiteral("ACM0"));
  EXPECT_EQ(edit->cursorPosition(), 12);
  EXPECT_EQ(panel.Form2.ComboBox1.Text(), "/dev/TTYACM0");

  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), QStringLiteral("/dev/TTY"));
  EXPECT_FALSE(edit->hasSelectedText());
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), QStringLiteral("/dev/TT"));
  EXPECT_EQ(panel.Form2.ComboBox1.Text(), "/dev/TT");

  QTest::keyClicks(edit, "yS");
  EXPECT_EQ(edit->text(), QStringLiteral("/dev/ttyS0"));
  EXPECT_EQ(edit->selectedText(), QStringLiteral("0"));
  EXPECT_EQ(panel.Form2.ComboBox1.Text(), "/dev/ttyS0");

  // Typed before the end, the text stays as typed.
  edit->setText(QStringLiteral("/dev/tyU"));
  edit->setCursorPosition(6);
  QTest::keyClicks(edit, "t");
  EXPECT_EQ(edit->text(), QStringLiteral("/dev/ttyU"));
  EXPECT_FALSE(edit->hasSelectedText());
}

TEST_F(Dialogs, AddressFieldKeystrokesRunItsCheck) {
  panel.Form3.Form.Show();
  QTest::keyClicks(Find<QLineEdit>(form3.get(), "Edit1"), "0");
  EXPECT_EQ(boxes.Texts(),
            std::vector<std::string>{"Адрес должен быть задан в пределах от 1 до 32"});
  EXPECT_EQ(panel.Form3.Edit1.Text(), "0");
}

TEST_F(Dialogs, AddressSetWithoutKeysReachesTheModel) {
  panel.Form3.Form.Show();
  QLineEdit* address = Find<QLineEdit>(form3.get(), "Edit1");
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(address);
  ASSERT_NE(accessible, nullptr);
  ASSERT_NE(accessible->editableTextInterface(), nullptr);
  accessible->editableTextInterface()->insertText(0, QStringLiteral("12"));
  EXPECT_EQ(address->text(), QStringLiteral("12"));
  EXPECT_EQ(panel.Form3.Edit1.Text(), "12");
  EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace intercom::testing
