#include "qt/qt_message_boxes.h"

#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

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

void Prepare(QMessageBox& box, const std::string& caption, const std::string& text) {
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setTextFormat(Qt::PlainText);
  // The texts break lines with CR LF; a lone CR would show as a glyph.
  box.setText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

}  // namespace

void QtMessageBoxes::Show(MessageKind kind, const std::string& caption, const std::string& text) {
  CentredMessageBox box;
  Prepare(box, caption, text);
  box.setIcon(IconOf(kind));
  box.setStandardButtons(QMessageBox::Ok);
  box.setDefaultButton(QMessageBox::Ok);
  // Some styles decorate standard buttons; the one button is a plain "OK".
  box.button(QMessageBox::Ok)->setIcon(QIcon());
  box.exec();
}

bool QtMessageBoxes::Ask(const std::string& caption, const std::string& text) {
  CentredMessageBox box;
  Prepare(box, caption, text);
  box.setIcon(QMessageBox::Question);
  QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

}  // namespace intercom
