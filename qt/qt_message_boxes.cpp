#include "qt/qt_message_boxes.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpacerItem>
#include <algorithm>

#include "qt/screen_fit.h"

namespace intercom {
namespace {

// A box with no parent to centre on centres itself on its screen once it
// knows its final size, which QMessageBox settles only while being shown.
class CentredMessageBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    if (parentWidget() != nullptr || !WindowsPlacedByUs()) return;
    const QRect screenArea = screen()->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveCenter(screenArea.center());
    move(frame.topLeft());
  }
};

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information:
      return QMessageBox::Information;
    case MessageKind::Error:
      return QMessageBox::Critical;
    case MessageKind::Notice:
      break;
  }
  return QMessageBox::NoIcon;
}

// The box's width for a title of `title`: the text in the title bar's face,
// which may be bold and larger, and room for the frame's buttons, which
// QMessageBox leaves out when it sizes itself.
int WidthForTitle(const QWidget& box, const QString& title) {
  QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
  titleFont.setBold(true);
  const int text = std::max(QFontMetrics(titleFont).horizontalAdvance(title),
                            QFontMetrics(box.font()).horizontalAdvance(title));
  constexpr int kFrameButtons = 3 * 32 + 48;
  return text * 5 / 4 + kFrameButtons;
}

// QMessageBox fixes its size from its layout's minimum, so a spanning spacer
// in the layout is what makes it wider.
void KeepWidthAtLeast(QMessageBox& box, int width) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                grid->rowCount(), 0, 1, grid->columnCount());
}

void Prepare(QMessageBox& box, const std::string& caption, const std::string& text) {
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setTextFormat(Qt::PlainText);
  // The texts break lines with CR LF; a lone CR would show as a glyph.
  box.setText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

}  // namespace

QWidget* QtMessageBoxes::Owner() const {
  return owner_ != nullptr && owner_->isVisible() ? owner_ : nullptr;
}

void QtMessageBoxes::Show(MessageKind kind, const std::string& caption, const std::string& text) {
  CentredMessageBox box(Owner());
  Prepare(box, caption, text);
  box.setIcon(IconOf(kind));
  box.setStandardButtons(QMessageBox::Ok);
  box.setDefaultButton(QMessageBox::Ok);
  // Some styles decorate standard buttons; the one button is a plain "OK".
  box.button(QMessageBox::Ok)->setIcon(QIcon());
  KeepWidthAtLeast(box, WidthForTitle(box, box.windowTitle()));
  box.exec();
}

bool QtMessageBoxes::Ask(const std::string& caption, const std::string& text) {
  CentredMessageBox box(Owner());
  Prepare(box, caption, text);
  box.setIcon(QMessageBox::Question);
  QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  KeepWidthAtLeast(box, WidthForTitle(box, box.windowTitle()));
  box.exec();
  return box.clickedButton() == yes;
}

}  // namespace intercom
