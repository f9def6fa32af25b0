#include "windows/address_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "windows/screen_fit.h"

namespace intercom {
namespace {

constexpr int kFirstLeft = 505;
constexpr int kFirstTop = 266;

}  // namespace

TForm3::TForm3(PanelModel& panel) : QWidget(nullptr, Qt::Window), dialog_(panel.Form3) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QString());
  setFont(PanelFont(11));
  resize(kClientWidth, kClientHeight);
  // The controls scroll only in a window smaller than the dialog's client area.
  auto* client = new QWidget;
  client->setObjectName(QStringLiteral("ClientArea"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(ScrollingClientArea(this, client, QSize(kClientWidth, kClientHeight)));

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
  move(kFirstLeft, kFirstTop);
}

void TForm3::setVisible(bool visible) {
  if (visible && !placed_) {
    placed_ = true;
    PlaceOnScreen(*this, QPoint(kFirstLeft, kFirstTop), QSize(kClientWidth, kClientHeight));
  }
  QWidget::setVisible(visible);
}

bool TForm3::Refresh(const Control& control) {
  if (&control == &dialog_.Form) {
    ShowWindow(*this, dialog_.Form);
    return true;
  }
  return views_.Refresh(control);
}

void TForm3::closeEvent(QCloseEvent* event) {
  dialog_.Form.Close();
  event->setAccepted(!dialog_.Form.Visible());
}

void TForm3::ConnectSignals() {
  connect(address_, &QLineEdit::textChanged, this,
          [this](const QString& text) { dialog_.Edit1.SetText(text.toStdString()); });
  connect(write_, &QPushButton::clicked, this, [this] { dialog_.BitBtn1.Click(); });
}

}  // namespace intercom
