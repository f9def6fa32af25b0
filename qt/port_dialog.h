// TForm2, the modeless port dialog: a view of the panel model's Form2.
#pragma once

#include "panel/panel_model.h"
#include "qt/dialog_window.h"

class QComboBox;
class QPushButton;

namespace intercom {

class TForm2 : public DialogWindow {
  Q_OBJECT

 public:
  // Built hidden, in the model's current state. `panel` must outlive the dialog.
  // `owner`, when given, is the main window the dialog belongs to.
  explicit TForm2(PanelModel& panel, QWidget* owner = nullptr);

 private:
  void ConnectSignals();

  PortDialog& dialog_;
  QComboBox* ports_ = nullptr;
  QPushButton* choose_ = nullptr;
};

}  // namespace intercom
