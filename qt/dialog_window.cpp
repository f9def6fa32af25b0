#include "qt/dialog_window.h"

#include <QCloseEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "qt/screen_fit.h"

namespace intercom {

DialogWindow::DialogWindow(Window& form, const WindowLayout& layout, QWidget* owner)
    // A dialog window, so that X11 window managers learn its owner
    // (WM_TRANSIENT_FOR), with the title bar buttons of a sizeable window.
    : QWidget(owner, owner == nullptr
                         ? Qt::Window
                         : Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      form_(form),
      clientSize_(layout.clientWidth, layout.clientHeight),
      firstTopLeft_(layout.firstLeft, layout.firstTop) {
  setObjectName(QString::fromUtf8(layout.name));
  setWindowTitle(QString());
  setFont(PanelFont(11));
  resize(clientSize_);
  // The controls scroll only in a window smaller than the dialog's client area.
  client_ = new QWidget;
  client_->setObjectName(QStringLiteral("ClientArea"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(ScrollingClientArea(this, client_, clientSize_));
  move(firstTopLeft_);
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
