#include "qt/address_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace intercom {
namespace {

constexpr int kFirstLeft = 505;
constexpr int kFirstTop = 266;

}  // namespace

TForm3::TForm3(PanelModel& panel, QWidget* owner)
    : DialogWindow(panel.Form3.Form, "Form3", QSize(kClientWidth, kClientHeight),
                   QPoint(kFirstLeft, kFirstTop), owner),
      dialog_(panel.Form3) {
  QWidget* client = Client();

  const QString caption = QStringLiteral("Задайте адрес устройства");
  QLabel* label = NewLabel(client, "Label1", {8, 16, 135, 13}, caption);
  address_ = NewEdit(client, "Edit1", {48, 40, 57, 21}, caption);
  write_ = NewButton(client, "BitBtn1", {40, 72, 75, 25}, QStringLiteral("Записать"));
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
