#include "qt/address_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace intercom {
namespace {}  // namespace

TForm3::TForm3(PanelModel& panel, QWidget* owner)
    : DialogWindow(panel.Form3.Form, AddressDialogLayout(), owner), dialog_(panel.Form3) {
  QWidget* client = Client();

  const ControlLayout& labelAt = LayoutOf(AddressDialogLayout(), "Form3.Label1");
  const ControlLayout& addressAt = LayoutOf(AddressDialogLayout(), "Form3.Edit1");
  const ControlLayout& writeAt = LayoutOf(AddressDialogLayout(), "Form3.BitBtn1");
  QLabel* label = NewLabel(client, "Label1", PlaceOf(labelAt), Utf8(labelAt.caption));
  address_ = NewEdit(client, "Edit1", PlaceOf(addressAt), Utf8(addressAt.accessibleName));
  write_ = NewButton(client, "BitBtn1", PlaceOf(writeAt), Utf8(writeAt.caption));
  setTabOrder(address_, write_);

  views_.Add(dialog_.Label1, [this, label] { ShowState(*label, dialog_.Label1); });
  views_.Add(dialog_.Edit1, [this] { ShowText(*address_, dialog_.Edit1); });
  views_.Add(dialog_.BitBtn1, [this] { ShowState(*write_, dialog_.BitBtn1); });
  ConnectSignals();
  views_.RefreshAll();
}

void TForm3::ConnectSignals() {
  connect(address_, &QLineEdit::textChanged, this,
          [this](const QString& text) { dialog_.Edit1.SetText(text.toStdString()); });
  connect(write_, &QPushButton::clicked, this, [this] { dialog_.BitBtn1.Click(); });
}

}  // namespace intercom
