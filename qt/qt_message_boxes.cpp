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

}  // namespace

void QtMessageBoxes::Show(MessageKind kind, const std::string& caption, const std::string& text) {
  CentredMessageBox box;
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setIcon(IconOf(kind));
  box.setTextFormat(Qt::PlainText);
  // The texts break lines with CR LF; a lone CR would show as a glyph.
  box.setText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  box.setStandardButtons(QMessageBox::Ok);
  box.setDefaultButton(QMessageBox::Ok);
  // Some styles decorate standard buttons; the one button is a plain "OK".
  box.button(QMessageBox::Ok)->setIcon(QIcon());
  box.exec();
}

}  // namespace intercom
