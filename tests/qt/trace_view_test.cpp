// The trace fields: the whole text at any length, as a field a user expects,
// at a cost that does not grow with the text.
#include <QAccessible>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QWheelEvent>
#include <string>

#include "qt/trace_view.h"
#include "tests/qt/window_fixture.h"

namespace intercom::testing {
namespace {

// One exchange's worth of trace: fifteen groups, each a blank and two digits.
std::string Groups(int exchange) {
  std::string text;
  for (int i = 0; i < 15; ++i) {
    const int byte = (exchange * 15 + i) & 0xFF;
    const char digits[] = "0123456789ABCDEF";
    text += ' ';
    text += digits[byte >> 4];
    text += digits[byte & 0xF];
  }
  return text;
}

// Beyond a line edit's limit of 32,767 characters.
constexpr int kLongExchanges = 1000;

class TraceViewTest : public WindowTest {
 protected:
  // The main window maximised, so that the trace strip is on the screen.
  TraceView* ShownTrace(const char* name) {
    ShowMainWindow();
    form1->showMaximized();
    QWidget* client = form1->centralWidget();
    EXPECT_TRUE(WaitUntil([&] { return client->height() >= 533; }));
    return Main<TraceView>(name);
  }

  void FillReplies(int exchanges) {
    for (int i = 0; i < exchanges; ++i) panel.Edit13.Append(Groups(i));
  }
};

TEST_F(TraceViewTest, AppendsShowTheWholeTextAtAnyLengthWithItsEndInView) {
  TraceView* trace = ShownTrace("Edit13");
  FillReplies(kLongExchanges);
  ASSERT_GT(panel.Edit13.Text().size(), 32767u);
  EXPECT_EQ(trace->text().toStdString(), panel.Edit13.Text());
  EXPECT_EQ(trace->cursorPosition(), trace->text().size());
  EXPECT_GT(trace->scrollOffset(), 0);
  EXPECT_NEAR(trace->scrollOffset() + trace->width(), trace->textWidth(), 12);
}

TEST_F(TraceViewTest, ModelWritesThatKeepAPrefixShowTheNewText) {
  TraceView* trace = ShownTrace("Edit12");
  panel.Edit12.SetText(std::string(40000, 'A') + " E2 E4");
  panel.Edit12.SetText(std::string(40000, 'A') + " E2 01 \xD0\xB0");
  EXPECT_EQ(trace->text().toStdString(), panel.Edit12.Text());
  panel.Edit12.SetText("\xD0\xB0\xD0\xB1");
  panel.Edit12.SetText("\xD0\xB0\xD0\xB2");
  EXPECT_EQ(trace->text(), QStringLiteral("ав"));
}

TEST_F(TraceViewTest, ClearEmptiesBothTraces) {
  ShownTrace("Edit12");
  panel.Edit12.Append(std::string(50000, 'E'));
  FillReplies(kLongExchanges);
  QTest::mouseClick(Main<QPushButton>("BitBtn5"), Qt::LeftButton);
  EXPECT_EQ(panel.Edit12.Text(), "");
  EXPECT_EQ(panel.Edit13.Text(), "");
  for (const char* name : {"Edit12", "Edit13"}) {
    EXPECT_TRUE(Main<TraceView>(name)->text().isEmpty()) << name;
    EXPECT_EQ(Main<TraceView>(name)->scrollOffset(), 0) << name;
    EXPECT_EQ(Main<TraceView>(name)->textWidth(), 0) << name;
  }
}

TEST_F(TraceViewTest, SelectAllAndCopyPutTheWholeTextOnTheClipboard) {
  TraceView* trace = ShownTrace("Edit13");
  FillReplies(kLongExchanges);
  QGuiApplication::clipboard()->clear();
  QTest::keyClick(trace, Qt::Key_A, Qt::ControlModifier);
  EXPECT_TRUE(trace->hasSelectedText());
  QTest::keyClick(trace, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), panel.Edit13.Text());
}

TEST_F(TraceViewTest, UserEditsChangeTheWholeTextInTheModel) {
  TraceView* trace = ShownTrace("Edit13");
  FillReplies(kLongExchanges);
  const std::string before = panel.Edit13.Text();
  QTest::keyClick(trace, Qt::Key_End);
  QTest::keyClicks(trace, " x");
  EXPECT_EQ(panel.Edit13.Text(), before + " x");
  QTest::keyClick(trace, Qt::Key_Backspace);
  QTest::keyClick(trace, Qt::Key_Backspace);
  EXPECT_EQ(panel.Edit13.Text(), before);
  QTest::keyClick(trace, Qt::Key_Home);
  QTest::keyClick(trace, Qt::Key_Delete);
  EXPECT_EQ(panel.Edit13.Text(), before.substr(1));
  // A selection typed over: the first group replaced.
  QTest::keyClick(trace, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(trace, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClicks(trace, "FF");
  EXPECT_EQ(panel.Edit13.Text(), "FF" + before.substr(3));
  EXPECT_EQ(trace->text().toStdString(), panel.Edit13.Text());
  EXPECT_EQ(trace->cursorPosition(), 2);
  // The logic's next append still follows the edit.
  panel.Edit13.Append(" E2");
  EXPECT_EQ(trace->text().toStdString(), "FF" + before.substr(3) + " E2");
}

// What assistive technology and test robots use: the whole text, and edits
// that reach the model.
TEST_F(TraceViewTest, AccessibleTextIsTheWholeTraceAndEditsReachTheModel) {
  TraceView* trace = ShownTrace("Edit12");
  panel.Edit12.Append(std::string(40000, 'E'));
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(trace);
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::EditableText);
  EXPECT_EQ(accessible->text(QAccessible::Value).size(), 40000);
  QAccessibleTextInterface* text = accessible->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->characterCount(), 40000);
  QAccessibleEditableTextInterface* editable = accessible->editableTextInterface();
  ASSERT_NE(editable, nullptr);
  editable->insertText(40000, QStringLiteral(" E2"));
  EXPECT_EQ(panel.Edit12.Text(), std::string(40000, 'E') + " E2");
  editable->replaceText(0, 39999, QStringLiteral("x"));
  EXPECT_EQ(panel.Edit12.Text(), "xE E2");
  text->setSelection(0, 1, 3);
  int start = 0;
  int end = 0;
  text->selection(0, &start, &end);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 3);
  EXPECT_EQ(trace->selectedText(), QStringLiteral("E "));
}

TEST_F(TraceViewTest, KeyboardAndWheelScrollTheText) {
  TraceView* trace = ShownTrace("Edit13");
  FillReplies(kLongExchanges);
  const qreal end = trace->scrollOffset();
  QTest::keyClick(trace, Qt::Key_Home);
  EXPECT_EQ(trace->scrollOffset(), 0);
  EXPECT_EQ(trace->cursorPosition(), 0);

  // Wheel down moves the text left without moving the caret.
  const QPoint centre = trace->rect().center();
  QWheelEvent wheel(centre, trace->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(trace, &wheel);
  EXPECT_GT(trace->scrollOffset(), 0);
  EXPECT_EQ(trace->cursorPosition(), 0);

  QTest::keyClick(trace, Qt::Key_End);
  EXPECT_EQ(trace->scrollOffset(), end);
  // A click puts the caret on the character under the pointer, in view.
  QTest::mouseClick(trace, Qt::LeftButton, {}, QPoint(trace->width() / 2, trace->height() / 2));
  EXPECT_GT(trace->cursorPosition(), trace->text().size() - 200);
  EXPECT_LT(trace->cursorPosition(), trace->text().size());
  EXPECT_EQ(trace->scrollOffset(), end);
}

// Not a benchmark: a bound that only a cost growing with the text can break.
// Quadratic appends (each one laying out the whole text) take minutes here.
TEST_F(TraceViewTest, TenThousandAppendsStayWithinAGenerousBound) {
  TraceView* trace = ShownTrace("Edit13");
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < 10000; ++i) {
    panel.Edit13.Append(Groups(i));
    if (i % 100 == 0) trace->repaint();
  }
  const qint64 elapsed = timer.elapsed();
  EXPECT_EQ(trace->text().size(), 10000 * 45);
  EXPECT_LT(elapsed, 20000) << "10,000 appends took " << elapsed << " ms";
}

}  // namespace
}  // namespace intercom::testing
