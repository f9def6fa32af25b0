#include "qt/dialog_window.h"

#include <QCloseEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "qt/screen_fit.h"

namespace intercom {

DialogWindow::DialogWindow(Window& form, const char* name, QSize clientSize, QPoint firstTopLeft,
                           QWidget* owner)
    // A dialog window, so that X11 window managers learn its owner
    // (WM_TRANSIENT_FOR), with the title bar buttons of a sizeable window.
    : QWidget(owner, owner == nullptr
                         ? Qt::Window
                         : Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      form_(form),
      clientSize_(clientSize),
      firstTopLeft_(firstTopLeft) {
  setObjectName(QString::fromUtf8(name));
  setWindowTitle(QString());
  setFont(PanelFont(11));
  resize(clientSize);
  // The controls scroll only in a window smaller than the dialog's client area.
  client_ = new QWidget;
  client_->setObjectName(QStringLiteral("ClientArea"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(ScrollingClientArea(this, client_, clientSize));
  move(firstTopLeft);
}

void DialogWindow::setVisible(bool visible) {
  if (visible && !placed_) {
    placed_ = true;
    if (WindowsPlacedByUs()) {
      PlaceOnScreen(*this, firstTopLeft_, clientSize_);
    } else {
      resize(clientSize_);
    }
  }
  QWidget::setVisible(visible);
}

bool DialogWindow::Refresh(const Control& control) {
  if (&control == &form_) {
    ShowWindow(*this, form_);
    return true;
  }
  return views_.Refresh(control);
}

void DialogWindow::closeEvent(QCloseEvent* event) {
  form_.Close();
  event->setAccepted(!form_.Visible());
}

}  // namespace intercom
