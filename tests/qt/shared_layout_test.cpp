// The Qt windows against the control table every set of views reads: each
// control where the table puts it, with its caption, accessible name and
// place in the tab order.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

#include "panel/window_layout.h"
#include "tests/qt/window_fixture.h"

namespace intercom::testing {
namespace {

// The widget's objectName: a dialog's controls drop the dialog's prefix.
QString WidgetName(const ControlLayout& control) {
  const QString name = QString::fromUtf8(control.name);
  const qsizetype dot = name.indexOf(QLatin1Char('.'));
  return dot < 0 ? name : name.mid(dot + 1);
}

void ExpectLikeTheTable(QWidget* window, const WindowLayout& layout) {
  SCOPED_TRACE(layout.name);
  EXPECT_EQ(window->findChild<QWidget*>(QStringLiteral("ClientArea"))->minimumSize(),
            QSize(layout.clientWidth, layout.clientHeight));
  std::vector<QWidget*> focusOrder;
  for (const ControlLayout& control : layout.controls) {
    SCOPED_TRACE(control.name);
    auto* widget = window->findChild<QWidget*>(WidgetName(control));
    ASSERT_NE(widget, nullptr);
    const QString caption = QString::fromUtf8(control.caption);
    if (control.kind == ViewKind::Page) {
      auto* pages = window->findChild<QTabWidget*>(QString::fromUtf8(control.parent));
      ASSERT_NE(pages, nullptr);
      EXPECT_EQ(pages->tabText(pages->indexOf(widget)), caption);
      continue;
    }
    const QString parent =
        *control.parent == '\0' ? QStringLiteral("ClientArea") : QString::fromUtf8(control.parent);
    EXPECT_EQ(widget->parentWidget()->objectName(), parent);
    const QRect place(control.place.left, control.place.top, control.place.width,
                      control.place.height);
    if (control.kind == ViewKind::Label) {
      EXPECT_EQ(widget->pos(), place.topLeft());
      EXPECT_EQ(static_cast<QLabel*>(widget)->text(), caption);
    } else {
      EXPECT_EQ(widget->geometry(), place);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      EXPECT_EQ(button->text(), caption);
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      EXPECT_EQ(group->title(), caption);
    }
    if (*control.accessibleName != '\0') {
      EXPECT_TRUE(widget->accessibleName().startsWith(QString::fromUtf8(control.accessibleName)))
          << widget->accessibleName().toStdString();
    }
    EXPECT_EQ(widget->font().pixelSize(), control.fontPixels);
    if (TakesFocus(control.kind)) focusOrder.push_back(widget);
  }
  // The focus chain visits the table's focus takers in the table's order.
  std::vector<QWidget*> chain;
  QWidget* at = focusOrder.front();
  do {
    if (std::find(focusOrder.begin(), focusOrder.end(), at) != focusOrder.end()) {
      chain.push_back(at);
    }
    at = at->nextInFocusChain();
  } while (at != focusOrder.front() && chain.size() < focusOrder.size());
  EXPECT_EQ(chain, focusOrder);
}

using SharedLayout = WindowTest;

TEST_F(SharedLayout, TheQtWindowsAreLaidOutAsTheTableSays) {
  ExpectLikeTheTable(form1.get(), MainWindowLayout());
  ExpectLikeTheTable(form2.get(), PortDialogLayout());
  ExpectLikeTheTable(form3.get(), AddressDialogLayout());
}

}  // namespace
}  // namespace intercom::testing
