// The real message boxes, dismissed by a timer once they are up.
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <optional>

#include "qt/qt_message_boxes.h"
#include "tests/qt/window_fixture.h"

namespace intercom::testing {
namespace {

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
  bool applicationModal = false;
  QPoint centreOffset;  // box centre less the screen's centre
  QWidget* parent = nullptr;
  int width = 0;
};

// Shows one box with `show` and returns what was on the screen, after pressing "OK".
std::optional<SeenBox> ShowAndDismiss(const std::function<void()>& show) {
  std::optional<SeenBox> seen;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    poll.stop();
    SeenBox shown;
    shown.title = box->windowTitle();
    shown.text = box->text();
    shown.icon = box->icon();
    for (QAbstractButton* button : box->buttons()) shown.buttons << button->text();
    shown.applicationModal = box->windowModality() == Qt::ApplicationModal;
    shown.parent = box->parentWidget();
    shown.width = box->width();
    shown.centreOffset =
        box->frameGeometry().center() - box->screen()->availableGeometry().center();
    seen = shown;
    QTest::mouseClick(box->buttons().at(0), Qt::LeftButton);
  });
  poll.start();
  show();
  return seen;
}

TEST(QtMessageBoxes, NoticeHasNoIconAndTheGivenCaption) {
  QtMessageBoxes boxes;
  const auto seen = ShowAndDismiss(
      [&] { boxes.Show(MessageKind::Notice, "Intercom-config", "Адрес должен быть задан"); });
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->title, QStringLiteral("Intercom-config"));
  EXPECT_EQ(seen->text, QStringLiteral("Адрес должен быть задан"));
  EXPECT_EQ(seen->icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen->buttons, QStringList{QStringLiteral("OK")});
  EXPECT_TRUE(seen->applicationModal);
  EXPECT_LE(seen->centreOffset.manhattanLength(), 2);
}

TEST(QtMessageBoxes, InformationAndErrorCarryTheirIcons) {
  QtMessageBoxes boxes;
  const auto information = ShowAndDismiss(
      [&] { boxes.Show(MessageKind::Information, "Information", "Line one\r\nLine two"); });
  ASSERT_TRUE(information.has_value());
  EXPECT_EQ(information->icon, QMessageBox::Information);
  EXPECT_EQ(information->title, QStringLiteral("Information"));
  EXPECT_EQ(information->text, QStringLiteral("Line one\nLine two"));

  const auto error = ShowAndDismiss(
      [&] { boxes.Show(MessageKind::Error, "Intercom-config", "Can't open port."); });
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->icon, QMessageBox::Critical);
  EXPECT_EQ(error->buttons, QStringList{QStringLiteral("OK")});
}

TEST(QtMessageBoxes, BoxesBelongToTheShownMainWindowAndFitTheirTitle) {
  QtMessageBoxes boxes;
  QWidget owner;
  boxes.SetOwner(&owner);
  // A hidden owner (the start-up, before the window shows) takes no box.
  auto seen = ShowAndDismiss([&] { boxes.Show(MessageKind::Notice, "intercom-config", "1"); });
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->parent, nullptr);

  owner.show();
  const std::string title = "intercom-config: a rather long application title";
  seen = ShowAndDismiss([&] { boxes.Show(MessageKind::Notice, title, "1"); });
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->parent, &owner);
  EXPECT_GT(seen->width,
            QFontMetrics(QApplication::font()).horizontalAdvance(QString::fromStdString(title)));
}

}  // namespace
}  // namespace intercom::testing
