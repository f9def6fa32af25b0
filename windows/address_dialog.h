// TForm3, the modeless device address dialog: a view of the panel model's Form3.
#pragma once

#include <QWidget>

#include "panel/panel_model.h"
#include "windows/control_views.h"

class QLineEdit;
class QPushButton;

namespace intercom {

class TForm3 : public QWidget {
  Q_OBJECT

 public:
  // The outer 159 x 127 pixels less a sizeable frame (4 pixels a side) and a
  // 19-pixel caption; the frame itself is the window manager's.
  static constexpr int kClientWidth = 151;
  static constexpr int kClientHeight = 100;

  // Built hidden, in the model's current state. `panel` must outlive the dialog.
  explicit TForm3(PanelModel& panel);

  // Shows `control`'s state in its widget (the dialog's Form: shows or hides
  // the dialog). False when `control` is not part of this dialog.
  bool Refresh(const Control& control);

  // The first showing places the dialog on its screen.
  void setVisible(bool visible) override;

 protected:
  // The frame's close button closes the model's dialog; no handler runs.
  void closeEvent(QCloseEvent* event) override;

 private:
  void ConnectSignals();

  AddressDialog& dialog_;
  ControlViews views_;
  bool placed_ = false;
  QLineEdit* address_ = nullptr;
  QPushButton* write_ = nullptr;
};

}  // namespace intercom
