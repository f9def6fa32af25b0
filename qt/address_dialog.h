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
