// What the two small dialogs share: a top-level window over the model's
// Window, its client area (scrolling only when the window is smaller), its
// first placement on the screen, and the frame's close button.
#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>

#include "panel/controls.h"
#include "qt/control_views.h"

namespace intercom {

class DialogWindow : public QWidget {
  Q_OBJECT

 public:
  // Shows `control`'s state in its widget (the dialog's Form: shows or hides
  // the dialog). False when `control` is not part of this dialog.
  bool Refresh(const Control& control);

  // The first showing places the dialog on its screen.
  void setVisible(bool visible) override;

 protected:
  // Built hidden, named and sized as `layout` says (its client area), which
  // also gives where the first showing aims; `form` must outlive the window.
  // With an `owner` (the main window) the dialog is its transient window: it
  // stays in front of it, and on Wayland the compositor places it.
  DialogWindow(Window& form, const WindowLayout& layout, QWidget* owner);

  // The frame's close button closes the model's dialog; no handler runs.
  void closeEvent(QCloseEvent* event) override;

  // Where the dialog's controls go.
  QWidget* Client() const { return client_; }

  ControlViews views_;

 private:
  Window& form_;
  QSize clientSize_;
  QPoint firstTopLeft_;
  QWidget* client_ = nullptr;
  bool placed_ = false;
};

}  // namespace intercom
