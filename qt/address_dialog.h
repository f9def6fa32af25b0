// TForm3, the modeless device address dialog: a view of the panel model's Form3.
#pragma once

#include "panel/panel_model.h"
#include "qt/dialog_window.h"

class QLineEdit;
class QPushButton;

namespace intercom {

class TForm3 : public DialogWindow {
  Q_OBJECT

 public:
  // The outer 159 x 127 pixels less a sizeable frame (4 pixels a side) and a
  // 19-pixel caption; the frame itself is the window manager's.
  static constexpr int kClientWidth = 151;
  static constexpr int kClientHeight = 100;

  // Built hidden, in the model's current state. `panel` must outlive the dialog.
  // `owner`, when given, is the main window the dialog belongs to.
  explicit TForm3(PanelModel& panel, QWidget* owner = nullptr);

 private:
  void ConnectSignals();

  AddressDialog& dialog_;
  QLineEdit* address_ = nullptr;
  QPushButton* write_ = nullptr;
};

}  // namespace intercom
