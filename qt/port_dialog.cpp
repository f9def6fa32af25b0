#include "qt/port_dialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>
#include <string>
#include <vector>

#include "panel/list_completion.h"

namespace intercom {
namespace {

// The port name field of `list`, completing from its items by the rule the
// Win32 dialog follows too. Only a character typed at the end completes: a
// deletion, a move or a character typed before the end leaves the text as it is.
class PortNameEdit : public QLineEdit {
 public:
  explicit PortNameEdit(QComboBox* list) : QLineEdit(list), list_(list) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    QLineEdit::keyPressEvent(event);
    const QString typed = event->text();
    if (typed.isEmpty() || !typed.front().isPrint()) return;
    const QString shown = text();
    if (hasSelectedText() || cursorPosition() != shown.size()) return;
    std::vector<std::string> items;
    for (int i = 0; i < list_->count(); ++i) items.push_back(list_->itemText(i).toStdString());
    const std::optional<std::string> item = CompleteFromList(items, shown.toStdString());
    if (!item) return;
    const QString completed = QString::fromStdString(*item);
    if (completed == shown) return;
    // An item beginning with the text, ASCII case aside, is as long up to there.
    setText(completed);
    setSelection(shown.size(), completed.size() - shown.size());
  }

 private:
  QComboBox* list_;
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
  const ControlLayout& verdictAt = LayoutOf(PortDialogLayout(), "Form2.Label2");
  QLabel* label = NewLabel(client, "Label1", PlaceOf(labelAt), Utf8(labelAt.caption));
  ports_ = new PortList(client, dialog_.ComboBox1);
  ports_->setObjectName(QStringLiteral("ComboBox1"));
  const Place listPlace = PlaceOf(listAt);
  ports_->setGeometry(listPlace.left, listPlace.top, listPlace.width, listPlace.height);
  ports_->setEditable(true);
  ports_->setLineEdit(new PortNameEdit(ports_));
  // Any text is taken, and typing never adds to the list. The field completes
  // by itself, so the combo box's own completer would only disagree.
  ports_->setInsertPolicy(QComboBox::NoInsert);
  ports_->setCompleter(nullptr);
  ports_->setAccessibleName(Utf8(listAt.accessibleName));
  choose_ = NewButton(client, "BitBtn1", PlaceOf(chooseAt), Utf8(chooseAt.caption));
  setTabOrder(ports_, choose_);
  QLabel* verdict = NewLabel(client, "Label2", PlaceOf(verdictAt), QString());
  verdict->setWordWrap(true);
  verdict->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  views_.Add(dialog_.Label1, [this, label] { ShowState(*label, dialog_.Label1); });
  views_.Add(dialog_.ComboBox1, [this] { ShowList(*ports_, dialog_.ComboBox1); });
  views_.Add(dialog_.BitBtn1, [this] { ShowState(*choose_, dialog_.BitBtn1); });
  views_.Add(dialog_.Label2, [this, verdict] {
    verdict->setText(Utf8(dialog_.Label2.Text().c_str()));
    ShowState(*verdict, dialog_.Label2);
  });
  ConnectSignals();
  views_.RefreshAll();
}

void TForm2::ConnectSignals() {
  connect(ports_, &QComboBox::editTextChanged, this,
          [this](const QString& text) { dialog_.ComboBox1.SetText(text.toStdString()); });
  connect(choose_, &QPushButton::clicked, this, [this] { dialog_.BitBtn1.Click(); });
}

}  // namespace intercom
