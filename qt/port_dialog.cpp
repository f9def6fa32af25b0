#include "qt/port_dialog.h"

#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace intercom {
namespace {

// The port name field. The inline completion ignores letter case but keeps
// the case typed; a completed name takes the list item's own spelling, since
// device paths are case-sensitive.
class PortNameEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    QLineEdit::keyPressEvent(event);
    if (event->text().isEmpty() || completer() == nullptr) return;
    const QString item = completer()->currentCompletion();
    const QString shown = text();
    if (item.isEmpty() || shown == item || shown.compare(item, Qt::CaseInsensitive) != 0) return;
    const int typed = hasSelectedText() ? selectionStart() : cursorPosition();
    setText(item);
    setSelection(item.size(), typed - item.size());
  }
};

// The port list: opening it lets the model read the ports again first.
class PortList : public QComboBox {
 public:
  PortList(QWidget* parent, ComboBox& list) : QComboBox(parent), list_(list) {}

  void showPopup() override {
    list_.DropDown();
    QComboBox::showPopup();
  }

 private:
  ComboBox& list_;
};

}  // namespace

TForm2::TForm2(PanelModel& panel, QWidget* owner)
    : DialogWindow(panel.Form2.Form, PortDialogLayout(), owner), dialog_(panel.Form2) {
  QWidget* client = Client();

  const ControlLayout& labelAt = LayoutOf(PortDialogLayout(), "Form2.Label1");
  const ControlLayout& listAt = LayoutOf(PortDialogLayout(), "Form2.ComboBox1");
  const ControlLayout& chooseAt = LayoutOf(PortDialogLayout(), "Form2.BitBtn1");
  QLabel* label = NewLabel(client, "Label1", PlaceOf(labelAt), Utf8(labelAt.caption));
  ports_ = new PortList(client, dialog_.ComboBox1);
  ports_->setObjectName(QStringLiteral("ComboBox1"));
  const Place listPlace = PlaceOf(listAt);
  ports_->setGeometry(listPlace.left, listPlace.top, listPlace.width, listPlace.height);
  ports_->setEditable(true);
  ports_->setLineEdit(new PortNameEdit(ports_));
  // Any text is taken, and typing never adds to the list.
  ports_->setInsertPolicy(QComboBox::NoInsert);
  auto* completer = new QCompleter(ports_->model(), ports_);
  completer->setCompletionMode(QCompleter::InlineCompletion);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  ports_->setCompleter(completer);
  ports_->setAccessibleName(Utf8(listAt.accessibleName));
  choose_ = NewButton(client, "BitBtn1", PlaceOf(chooseAt), Utf8(chooseAt.caption));
  setTabOrder(ports_, choose_);

  views_.Add(dialog_.Label1, [this, label] { ShowState(*label, dialog_.Label1); });
  views_.Add(dialog_.ComboBox1, [this] { ShowList(*ports_, dialog_.ComboBox1); });
  views_.Add(dialog_.BitBtn1, [this] { ShowState(*choose_, dialog_.BitBtn1); });
  ConnectSignals();
  views_.RefreshAll();
}

void TForm2::ConnectSignals() {
  connect(ports_, &QComboBox::editTextChanged, this,
          [this](const QString& text) { dialog_.ComboBox1.SetText(text.toStdString()); });
  connect(choose_, &QPushButton::clicked, this, [this] { dialog_.BitBtn1.Click(); });
}

}  // namespace intercom
