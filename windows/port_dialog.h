// TForm2, the modeless port dialog: a view of the panel model's Form2.
#pragma once

#include <QWidget>

#include "panel/panel_model.h"
#include "windows/control_views.h"

class QComboBox;
class QPushButton;

namespace intercom {

class TForm2 : public QWidget {
  Q_OBJECT

 public:
  // The outer 168 x 138 pixels less a sizeable frame (4 pixels a side) and a
  // 19-pixel caption; the frame itself is the window manager's.
  static constexpr int kClientWidth = 160;
  static constexpr int kClientHeight = 111;

  // Built hidden, in the model's current state. `panel` must outlive the dialog.
  explicit TForm2(PanelModel& panel);

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

  PortDialog& dialog_;
  ControlViews views_;
  bool placed_ = false;
  QComboBox* ports_ = nullptr;
  QPushButton* choose_ = nullptr;
};

}  // namespace intercom
