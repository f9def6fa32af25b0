#include "qt/control_views.h"

#include "qt/input_block.h"

#include <qdrawutil.h>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStringList>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <algorithm>

namespace intercom {
namespace {

template <typename W>
W* Placed(W* widget, const char* name, Place place) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(place.left, place.top, place.width, place.height);
  return widget;
}

QString FromModel(const std::string& text) {
  return QString::fromStdString(text);
}

// Of a trackbar's 45 pixels, the track and its ticks take the upper part.
constexpr int kTrackBarDrawnHeight = 32;

// A slider that draws its track and ticks in the upper part of its box, so that
// the tick marks sit under the track rather than at the bottom of the box.
class TrackBarSlider : public QSlider {
 public:
  explicit TrackBarSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.rect.setHeight(std::min(option.rect.height(), kTrackBarDrawnHeight));
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    if (tickPosition() != NoTicks) option.subControls |= QStyle::SC_SliderTickmarks;
    painter.drawComplexControl(QStyle::CC_Slider, option);
  }
};

// A group box drawn as an etched frame with its caption on the top line, as
// the controls inside are laid out for; the platform style would put the
// caption above the frame.
class GroupFrame : public QGroupBox {
 public:
  GroupFrame(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const QRect frame = rect().adjusted(0, metrics.height() / 2, 0, 0);
    qDrawShadeRect(&painter, frame, palette(), true, 1, 0);
    if (title().isEmpty()) return;
    const QRect caption(8, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
    painter.fillRect(caption, palette().color(QPalette::Window));
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter, title());
  }
};

}  // namespace

QFont PanelFont(int pixelHeight, bool bold) {
  QFont font;
  // Listed explicitly: with the sans-serif hint fontconfig's metric aliases
  // for "Arial" are not consulted.
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}

void ControlViews::Add(const Control& control, std::function<void()> refresh) {
  refresh_[&control] = std::move(refresh);
}

bool ControlViews::Refresh(const Control& control) const {
  const auto it = refresh_.find(&control);
  if (it == refresh_.end()) return false;
  it->second();
  return true;
}

void ControlViews::RefreshAll() const {
  for (const auto& [control, refresh] : refresh_) refresh();
}

Place PlaceOf(const ControlLayout& control) {
  return {control.place.left, control.place.top, control.place.width, control.place.height};
}

QString Utf8(const char* text) {
  return QString::fromUtf8(text);
}

void ShowState(QWidget& widget, const Control& control) {
  // Both return at once when nothing changes; setVisible also marks the
  // state as explicit, so a hidden control stays hidden when its window shows.
  ShowOwnEnabled(widget, control.Enabled());
  widget.setVisible(control.Visible());
}

void ShowWindow(QWidget& widget, const Window& window) {
  widget.setVisible(window.Visible());
  if (!window.Visible()) return;
  widget.raise();
  widget.activateWindow();
}

void ShowText(QLineEdit& edit, const TextField& field) {
  const QString text = FromModel(field.Text());
  if (edit.text() != text) {
    // The model's own write must not come back to it as a change of the widget.
    const QSignalBlocker quiet(&edit);
    edit.setText(text);
  }
  ShowState(edit, field);
}

void ShowPosition(QSlider& slider, const TrackBar& bar) {
  slider.setValue(bar.Position());
  ShowState(slider, bar);
}

void ShowChecked(QCheckBox& box, const CheckBox& check) {
  if (box.isChecked() != check.Checked()) box.setChecked(check.Checked());
  ShowState(box, check);
}

void ShowList(QComboBox& combo, const ComboBox& list) {
  const QSignalBlocker quiet(&combo);
  QStringList items;
  for (const std::string& item : list.Items()) items << FromModel(item);
  QStringList descriptions;
  for (const std::string& description : list.Descriptions()) descriptions << FromModel(description);
  QStringList shown;
  QStringList shownDescriptions;
  for (int i = 0; i < combo.count(); ++i) {
    shown << combo.itemText(i);
    shownDescriptions << combo.itemData(i, Qt::ToolTipRole).toString();
  }
  if (shown != items || shownDescriptions != descriptions) {
    combo.clear();
    combo.addItems(items);
    // Shown when the pointer rests on an item, and read out with it.
    for (int i = 0; i < descriptions.size(); ++i) {
      if (descriptions[i].isEmpty()) continue;
      combo.setItemData(i, descriptions[i], Qt::ToolTipRole);
      combo.setItemData(i, descriptions[i], Qt::AccessibleDescriptionRole);
    }
  }
  const QString text = FromModel(list.Text());
  if (combo.currentText() != text) {
    if (list.ItemIndex() >= 0) combo.setCurrentIndex(list.ItemIndex());
    combo.setEditText(text);
  }
  ShowState(combo, list);
}

QLineEdit* NewEdit(QWidget* parent, const char* name, Place place, const QString& accessibleName) {
  QLineEdit* edit = Placed(new QLineEdit(parent), name, place);
  if (!accessibleName.isEmpty()) edit->setAccessibleName(accessibleName);
  return edit;
}

QPushButton* NewButton(QWidget* parent, const char* name, Place place, const QString& caption) {
  QPushButton* button = Placed(new QPushButton(caption, parent), name, place);
  // Enter and Escape must press nothing, whatever window the button is in.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

QPushButton* NewStepButton(QWidget* parent, const char* name, Place place, bool up,
                           const QString& what) {
  QPushButton* button =
      NewButton(parent, name, place, up ? QStringLiteral("+") : QStringLiteral("-"));
  button->setFont(PanelFont(16, true));
  button->setAccessibleName(what + (up ? QStringLiteral(": больше") : QStringLiteral(": меньше")));
  return button;
}

QLabel* NewLabel(QWidget* parent, const char* name, Place place, const QString& caption,
                 int pixelHeight) {
  QLabel* label = Placed(new QLabel(caption, parent), name, place);
  if (pixelHeight != 0) label->setFont(PanelFont(pixelHeight));
  const int textWidth = QFontMetrics(label->font()).horizontalAdvance(caption);
  if (textWidth > place.width) label->resize(textWidth, place.height);
  return label;
}

QGroupBox* NewGroupBox(QWidget* parent, const char* name, Place place, const QString& caption) {
  return Placed(new GroupFrame(caption, parent), name, place);
}

QSlider* NewTrackBar(QWidget* parent, const char* name, Place place,
                     const QString& accessibleName) {
  QSlider* slider = Placed(new TrackBarSlider(parent), name, place);
  slider->setRange(TrackBar::kMin, TrackBar::kMax);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(1);
  slider->setPageStep(1);
  ShowOwnEnabled(*slider, false);
  slider->setAccessibleName(accessibleName);
  return slider;
}

}  // namespace intercom
