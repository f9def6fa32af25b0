// What the three windows share: widgets made for a panel-model control (named
// after it, at its place, in its font) and the functions that bring a widget
// in line with its control. The model stays the only state; widgets show it.
#pragma once

#include <QFont>
#include <QString>
#include <functional>
#include <unordered_map>

#include "panel/controls.h"
#include "panel/window_layout.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QWidget;

namespace intercom {

// A control's rectangle in its parent, in pixels: left, top, width, height.
struct Place {
  int left;
  int top;
  int width;
  int height;
};

// An entry's rectangle and a table text (UTF-8) as the widgets take them.
Place PlaceOf(const ControlLayout& control);
QString Utf8(const char* text);

// The windows' font at a pixel height. The captions are laid out for the
// widths of an Arial-metric face, so one is preferred; without any the
// platform's sans serif is used.
QFont PanelFont(int pixelHeight, bool bold = false);

// The refresh of every control a window shows, keyed by control.
class ControlViews {
 public:
  void Add(const Control& control, std::function<void()> refresh);
  // Runs the refresh of `control`; false when this window does not show it.
  bool Refresh(const Control& control) const;
  void RefreshAll() const;

 private:
  std::unordered_map<const Control*, std::function<void()>> refresh_;
};

// Bringing a widget in line with its control. Texts are written only when they
// differ, so a refresh caused by the user's own typing leaves caret and
// selection alone; such a write raises no change signal of the widget.
void ShowState(QWidget& widget, const Control& control);  // Enabled, Visible
// A dialog shown or hidden with its window; a shown one comes to the front.
void ShowWindow(QWidget& widget, const Window& window);
void ShowText(QLineEdit& edit, const TextField& field);
void ShowPosition(QSlider& slider, const TrackBar& bar);
void ShowChecked(QCheckBox& box, const CheckBox& check);
// Items, each with its description as its tooltip, then Text; the combo box's
// own signals stay quiet meanwhile.
void ShowList(QComboBox& combo, const ComboBox& list);

// Widgets at `place` in `parent`, with objectName `name`.
QLineEdit* NewEdit(QWidget* parent, const char* name, Place place, const QString& accessibleName);
QPushButton* NewButton(QWidget* parent, const char* name, Place place, const QString& caption);
// "-" and "+": the bold 16-pixel caption, and an accessible name saying what it steps.
QPushButton* NewStepButton(QWidget* parent, const char* name, Place place, bool up,
                           const QString& what);
// Labels keep their left edge and grow to their text, as auto-sized labels do;
// `pixelHeight` 0 keeps the window's font.
QLabel* NewLabel(QWidget* parent, const char* name, Place place, const QString& caption,
                 int pixelHeight = 0);
QGroupBox* NewGroupBox(QWidget* parent, const char* name, Place place, const QString& caption);
// Horizontal, 0..16, a tick under every position; always disabled.
QSlider* NewTrackBar(QWidget* parent, const char* name, Place place, const QString& accessibleName);

}  // namespace intercom
